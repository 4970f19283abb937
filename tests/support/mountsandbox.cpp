#include "mountsandbox.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Enters the private mount namespace once for the whole process; empty
// when in it, otherwise why not.
QString enterNamespace()
{
    static const QString reason = []() -> QString {
        if (::geteuid() != 0)
            return QStringLiteral("mounting needs root");
        // Made private, the mounts made here do not show in the namespace
        // the process came from.
        if (::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("no private mount namespace: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }();
    return reason;
}

bool failed(const char *what, const QString &path)
{
    qWarning("cannot %s %s: %s", what, qPrintable(path), std::strerror(errno));
    return false;
}

QByteArray sizeOption(qint64 bytes)
{
    return "size=" + QByteArray::number(bytes);
}

} // namespace

MountSandbox::MountSandbox()
    : m_reason(enterNamespace())
{ }

bool MountSandbox::readOnly(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (!isAvailable() || ::mount(name.constData(), name.constData(), nullptr, MS_BIND, nullptr))
        return failed("bind", path);
    m_mounted.append(path);
    if (::mount(nullptr, name.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)) {
        failed("make read-only", path);
        unmount(path);
        return false;
    }
    return true;
}

bool MountSandbox::smallDisk(const QString &folder, qint64 bytes)
{
    if (!isAvailable()
        || ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0,
                   sizeOption(bytes).constData()))
        return failed("mount a tmpfs on", folder);
    m_mounted.append(folder);
    return true;
}

bool MountSandbox::resize(const QString &folder, qint64 bytes)
{
    if (!m_mounted.contains(folder)
        || ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_REMOUNT,
                   sizeOption(bytes).constData()))
        return failed("resize the tmpfs on", folder);
    return true;
}

bool MountSandbox::fill(const QString &folder, qint64 room)
{
    struct statvfs disk = {};
    if (::statvfs(QFile::encodeName(folder).constData(), &disk))
        return failed("measure", folder);
    return resize(folder, qint64(disk.f_blocks - disk.f_bfree) * qint64(disk.f_frsize) + room);
}

bool MountSandbox::unmount(const QString &path)
{
    // Detached: files still open on the mount keep it until they close.
    return m_mounted.removeOne(path)
            && (::umount2(QFile::encodeName(path).constData(), MNT_DETACH) == 0
                || failed("unmount", path));
}

MountSandbox::~MountSandbox()
{
    while (!m_mounted.isEmpty())
        unmount(m_mounted.constLast());
}

bool MountSandbox::isAvailable() const
{
    return m_reason.isEmpty();
}

bool MountSandbox::writable(const QString &path)
{
    return unmount(path);
}
