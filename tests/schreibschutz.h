// Makes a file or folder impossible to write for the test's lifetime, also
// for root (the tests often run as root, whom mode bits do not stop): the
// immutable attribute where the file system has it, else the mode bits.
#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hmz::test {

class Schreibschutz {
public:
    explicit Schreibschutz(QString pfad) : pfad_(std::move(pfad)) {
        modus_ = QFile::permissions(pfad_);
        QFile::setPermissions(pfad_, modus_ & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther));
        if (geteuid() == 0) unveraenderlich_ = setzeFlag(true);
    }
    ~Schreibschutz() {
        if (unveraenderlich_) setzeFlag(false);
        QFile::setPermissions(pfad_, modus_);
    }
    Schreibschutz(const Schreibschutz&) = delete;
    Schreibschutz& operator=(const Schreibschutz&) = delete;

    // False when the path can still be written (root on a file system without the attribute).
    bool wirksam() const { return geteuid() != 0 || unveraenderlich_; }

private:
    bool setzeFlag(bool an) const {
        const int fd = ::open(QFile::encodeName(pfad_).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = an ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }

    QString pfad_;
    QFile::Permissions modus_;
    bool unveraenderlich_ = false;
};

}  // namespace hmz::test
