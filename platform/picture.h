#pragma once

#include <QImage>
#include <QString>

namespace platform {

// The picture in the file named by a Windows drive path. Raises "File not
// found" (53) when there is no such file, "Invalid picture" (481) when it is
// no picture this machine can read.
QImage LoadPicture(const QString &path);

} // namespace platform
