#include "core/DiskSync.h"

#include <QFileDevice>

#ifdef Q_OS_UNIX
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
