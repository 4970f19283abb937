#pragma once

#include <QString>
#include <QStringList>

// Real storage faults for a test process that may mount (root):
// the process enters a mount namespace of its own the first time, so that
// nothing mounted here is seen outside it or outlives it. A folder or file
// is made read-only by a read-only bind mount of itself, which binds root
// too; a folder becomes a small disk by a tmpfs of that size, which runs
// out of room (ENOSPC) for real.
//
// The namespace is the calling thread's, and threads started later inherit
// it: make the first sandbox before the test starts threads. Where the
// process may not mount, isAvailable() is false and reason() says why, so
// that the test takes another route or skips.
class MountSandbox
{
public:
    MountSandbox();
    // Takes away what this object mounted (lazily: open files keep theirs).
    ~MountSandbox();
    MountSandbox(const MountSandbox &) = delete;
    MountSandbox &operator=(const MountSandbox &) = delete;

    bool isAvailable() const;
    QString reason() const { return m_reason; }

    // Binds path (a file or a folder) onto itself read-only; writable()
    // takes that away again. Files opened before stay writable.
    bool readOnly(const QString &path);
    bool writable(const QString &path);

    // Mounts a tmpfs of bytes on folder, hiding what the folder holds.
    bool smallDisk(const QString &folder, qint64 bytes);
    // Sets the size of that tmpfs; fill() sets it to what the tmpfs holds
    // now plus room bytes: with none, no file can grow.
    bool resize(const QString &folder, qint64 bytes);
    bool fill(const QString &folder, qint64 room = 0);

private:
    bool unmount(const QString &path);

    QStringList m_mounted; // in the order they were made
    QString m_reason;
};
