#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

// A folder on a tmpfs of its own, so a test can run out of disk space for real. Needs root (as CI
// and the developers' machines are); elsewhere mounted() is false and the test skips.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes)
        : mounted_(::geteuid() == 0 && dir.isValid() &&
                   QProcess::execute("mount", {"-t", "tmpfs", "-o", QString("size=%1k").arg(kilobytes),
                                               "tmpfs", dir.path()}) == 0) {}
    ~SmallDisk() {
        if (mounted_) {
            QProcess::execute("umount", {"-l", dir.path()});
        }
    }

    bool mounted() const { return mounted_; }
    QDir folder() const { return QDir(dir.path()); }
    // Fills the disk but for about `leftBytes`.
    bool fill(qint64 leftBytes) {
        QFile filler(dir.filePath("filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return false;
        }
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        return filler.resize(std::max<qint64>(0, filler.size() - leftBytes));
    }
    // Space comes back.
    bool emptyFiller() { return QFile::remove(dir.filePath("filler")); }

private:
    QTemporaryDir dir;
    bool mounted_;
};
