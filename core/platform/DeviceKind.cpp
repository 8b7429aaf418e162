#include "core/platform/DeviceKind.h"

#include <QFile>

#include <sys/stat.h>

namespace core {

bool isCharacterDevice(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

} // namespace core
