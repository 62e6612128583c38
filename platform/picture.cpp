#include "picture.h"

#include "drives.h"
#include "runtimeerror.h"

#include <QFileInfo>
#include <QImageReader>

namespace platform {

// path goes through the drive table; each error's description names it. A path no drive holds, or
// that names no file (a folder included), raises "File not found" (53); a file that cannot be
// opened raises "Path/File access error" (75); one that holds no picture in a format Qt reads
// raises "Invalid picture" (481). The format is told by the file's contents, not its name, so a
// JPEG under a .bmp name loads.
QImage LoadPicture(const QString &path)
{
    const QString host = hostPath(path);
    if (host.isEmpty() || !QFileInfo(host).isFile())
        raiseError(FileNotFound, QStringLiteral("File not found: %1").arg(path));

    QImageReader reader(host);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        // The file was there a moment ago: failing to open it is a matter of access.
        const QImageReader::ImageReaderError error = reader.error();
        if (error == QImageReader::FileNotFoundError || error == QImageReader::DeviceError) {
            raiseError(
                PathFileAccessError,
                QStringLiteral("Path/File access error: %1 (%2)").arg(path, reader.errorString()));
        }
        raiseError(InvalidPicture, QStringLiteral("Invalid picture: %1").arg(path));
    }
    return image;
}

} // namespace platform
