#include "store/openfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::files::openfiles {

namespace {

struct Kept {
    int fd;
    int flags;
    dev_t device;
    ino_t inode;
};

struct Lists {
    QMutex mutex;
    QHash<QString, int> connections;
    QHash<QString, QList<Kept>> kept;
};

Lists& lists() {
    static Lists all;
    return all;
}

} // namespace

QString key(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

void connectionOpened(const QString& key, const std::function<void(int)>& run) {
    Lists& all = lists();
    QMutexLocker lock(&all.mutex);
    const int before = all.connections.value(key);
    if (run)
        run(before);
    all.connections[key] = before + 1;
}

void connectionClosed(const QString& key) {
    Lists& all = lists();
    QMutexLocker lock(&all.mutex);
    if (--all.connections[key] > 0)
        return;
    all.connections.remove(key);
    // The last connection is gone, and with it SQLite's locks on the file.
    for (const Kept& kept : all.kept.take(key))
        ::close(kept.fd);
}

bool isOpen(const QString& key) {
    Lists& all = lists();
    QMutexLocker lock(&all.mutex);
    return all.connections.value(key) > 0;
}

int openDescriptor(const QString& key, const QString& path, int flags) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0) {
        Lists& all = lists();
        QMutexLocker lock(&all.mutex);
        QList<Kept>& kept = all.kept[key];
        for (qsizetype i = 0; i < kept.size(); ++i) {
            if (kept[i].flags == flags && kept[i].device == info.st_dev &&
                kept[i].inode == info.st_ino)
                return kept.takeAt(i).fd;
        }
    }
    // Opening a descriptor disturbs no lock; only closing one does.
    return ::open(name.constData(), flags | O_CLOEXEC);
}

void releaseDescriptor(const QString& key, int fd, int flags) {
    if (fd < 0)
        return;
    Lists& all = lists();
    QMutexLocker lock(&all.mutex);
    struct stat info {};
    if (all.connections.value(key) == 0 || ::fstat(fd, &info) != 0) {
        ::close(fd);
        return;
    }
    all.kept[key].append({fd, flags, info.st_dev, info.st_ino});
}

} // namespace korvane::files::openfiles
