#include "core/DiskSync.h"

#include <QFileDevice>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

bool syncToDisk(QFileDevice& file) {
    if (!file.flush()) {
        return false;
    }
#ifdef Q_OS_UNIX
    const int handle = file.handle();
    return handle < 0 || ::fsync(handle) == 0;
#else
    return true;
#endif
}

void startWriteBack(QFileDevice& file, qint64 offset, qint64 length) {
#ifdef Q_OS_LINUX
    if (file.flush() && file.handle() >= 0) {
        ::sync_file_range(file.handle(), offset, length, SYNC_FILE_RANGE_WRITE);
    }
#else
    Q_UNUSED(file);
    Q_UNUSED(offset);
    Q_UNUSED(length);
#endif
}
