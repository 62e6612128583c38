#include "picture.h"

#include "drives.h"
#include "runtimeerror.h"

#include <QFileInfo>
#include <QImageReader>

namespace platform {

namespace {

QString naming(const QString &description, const QString &path)
{
    return path.isEmpty() ? description : description + QStringLiteral(": ") + path;
}

} // namespace

// path goes through the drive table; each error's description names it. A path no drive holds, or
// that names no file (a folder included), raises "File not found" (53); a file that cannot be
// opened raises "Path/File access error" (75); one that holds no picture in a format Qt reads
// raises "Invalid picture" (481). The format is told by the file's contents, not its name, so a
// JPEG under a .bmp name loads.
QImage LoadPicture(const QString &path)
{
    const QString host = hostPath(path);
    if (host.isEmpty() || !QFileInfo(host).isFile())
        raiseError(FileNotFound, naming(QStringLiteral("File not found"), path));

    QImageReader reader(host);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        // The file was there a moment ago: failing to open it is a matter of access.
        const QImageReader::ImageReaderError error = reader.error();
        if (error == QImageReader::FileNotFoundError || error == QImageReader::DeviceError) {
            raiseError(PathFileAccessError,
                       naming(QStringLiteral("Path/File access error"), path) + QStringLiteral(" (")
                           + reader.errorString() + QLatin1Char(')'));
        }
        raiseError(InvalidPicture, naming(QStringLiteral("Invalid picture"), path));
    }
    return image;
}

} // namespace platform
