#include "LastMinutesKeeper.h"

#include "media/MediaEngine.h"
#include "DesktopRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LastMinutesKeeper::LastMinutesKeeper(MediaEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    if (engine)
        connect(engine, &MediaEngine::cacheDumped, this, &LastMinutesKeeper::onDumped);
}

bool LastMinutesKeeper::Start(const QString &station, const QString &folder, int minutes, const QDateTime &now,
                              QString *error)
{
    const auto failWith = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (IsWriting())
        return failWith(QStringLiteral("Les dernières minutes sont déjà en cours d'enregistrement."));
    if (!m_engine || !m_engine->timeShiftActive())
        return failWith(QStringLiteral("Aucune radio n'est en cours d'écoute."));
    const timeshift::Range range = timeshift::KeepRange(m_engine->timeShiftWindow(), 60.0 * qMax(1, minutes));
    if (range.length() < 1.0)
        return failWith(QStringLiteral("Rien n'a encore été reçu de cette radio."));
    QDir dir(folder);
    if (folder.isEmpty() || !dir.mkpath(QStringLiteral(".")))
        return failWith(QStringLiteral("Le dossier des enregistrements est introuvable :\n%1")
                            .arg(QDir::toNativeSeparators(folder)));
    const QString extension = desktop::RecordExtension(m_engine->audioCodecName(), m_engine->fileFormat());
    const QString final = desktop::FreeRecordPath(dir.absolutePath(), desktop::RecordFileName(station, now, extension));
    const QString part = desktop::PartPath(final);
    if (!m_engine->dumpCache(range.start, range.end, part))
        return failWith(QStringLiteral("Les dernières minutes n'ont pas pu être enregistrées."));
    m_part = part;
    m_final = final;
    m_seconds = range.length();
    return true;
}

void LastMinutesKeeper::onDumped(const QString &path, bool ok)
{
    if (path != m_part || m_part.isEmpty())
        return;
    const QString part = m_part;
    const QString final = m_final;
    m_part.clear();
    m_final.clear();
    if (!ok || QFileInfo(part).size() <= 0) {
        QFile::remove(part);
        emit Kept(QString(), 0, QStringLiteral("Les dernières minutes n'ont pas pu être enregistrées dans :\n%1")
                                 .arg(QDir::toNativeSeparators(QFileInfo(part).absolutePath())));
        return;
    }
    // The final name could not be taken (a file came there meanwhile): it keeps its working name.
    emit Kept(QFile::rename(part, final) ? final : part, m_seconds, QString());
}
