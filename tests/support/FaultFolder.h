#pragma once
// A folder where writing fails the way it fails for users: on a full device, or on a folder that
// cannot be written. Files put there before arm() stay readable afterwards.
//
// As root (CI, here) the folder is a small memory file system of its own: "full" fills it to the
// last byte, "read-only" remounts it read-only (root ignores permission bits, so a mount is the
// only true read-only folder for it). The mount lives in a mount namespace of this process when
// the system lets it make one, so that nothing of it shows outside the test. Without root, "full"
// is a file-size limit of the process (writes past it fail as on a full disk) and "read-only" is
// the folder's permission bits (root without the right to mount gets the limit for "full" and
// no "read-only" folder).
#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavtest {

enum class Fault { FullDevice, ReadOnlyFolder };

inline const char *FaultName(Fault f) { return f == Fault::FullDevice ? "full device" : "read-only folder"; }

// Call once before any thread starts (from a static initialiser): the mounts made afterwards are
// this process's only.
inline bool PrivateMounts()
{
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0)
        return false;
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class FaultFolder {
public:
    explicit FaultFolder(Fault fault) : m_fault(fault)
    {
        m_path = m_base.filePath(QStringLiteral("dossier"));
        QDir().mkpath(m_path);
        if (geteuid() == 0) {
            const QByteArray p = QFile::encodeName(m_path);
            m_mounted = mount("tavtest", p.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") == 0;
        }
    }
    ~FaultFolder()
    {
        disarm();
        if (m_mounted)
            umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    FaultFolder(const FaultFolder &) = delete;
    FaultFolder &operator=(const FaultFolder &) = delete;

    // False when neither way works here (the reason is then in why()). A full device works
    // everywhere: without the mount, the file-size limit stops root too.
    bool usable() const { return m_mounted || geteuid() != 0 || m_fault == Fault::FullDevice; }
    QString why() const
    {
        return QStringLiteral("no read-only folder for root here: a memory file system cannot be mounted "
                              "and permission bits do not stop root");
    }
    QString path() const { return m_path; }
    QString file(const QString &name) const { return QDir(m_path).filePath(name); }

    // From here on, writing into the folder fails.
    void arm()
    {
        if (m_armed)
            return;
        m_armed = true;
        const QByteArray p = QFile::encodeName(m_path);
        if (m_fault == Fault::ReadOnlyFolder) {
            if (m_mounted) {
                mount(nullptr, p.constData(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr);
            } else {
                // The files too, as on a read-only mount: a file of the folder could be written
                // in place otherwise.
                for (const QString &name : entries())
                    chmod(QFile::encodeName(file(name)).constData(), 0444);
                chmod(p.constData(), 0555);
            }
            return;
        }
        if (!m_mounted) {
            m_limit = std::make_unique<FileSizeLimit>(0);
            return;
        }
        // Every free block taken, so that the next byte written anywhere in the folder fails.
        QFile filler(file(QStringLiteral(".remplissage")));
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            const QByteArray byte(1, 'x');
            while (filler.write(byte) == 1 && filler.flush()) {
            }
        }
    }
    // Writing works again (the filler is removed, the folder writable).
    void disarm()
    {
        if (!m_armed)
            return;
        m_armed = false;
        const QByteArray p = QFile::encodeName(m_path);
        if (m_fault == Fault::ReadOnlyFolder) {
            if (m_mounted) {
                mount(nullptr, p.constData(), nullptr, MS_REMOUNT | MS_NOSUID | MS_NODEV, nullptr);
            } else {
                chmod(p.constData(), 0755);
                for (const QString &name : entries())
                    chmod(QFile::encodeName(file(name)).constData(), 0644);
            }
            return;
        }
        m_limit.reset();
        QFile::remove(file(QStringLiteral(".remplissage")));
    }
    // Names in the folder apart from the filler.
    QStringList entries() const
    {
        QStringList names = QDir(m_path).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        names.removeAll(QStringLiteral(".remplissage"));
        return names;
    }

private:
    Fault m_fault;
    QTemporaryDir m_base;
    QString m_path;
    bool m_mounted = false;
    bool m_armed = false;
    std::unique_ptr<FileSizeLimit> m_limit;
};

} // namespace tavtest
