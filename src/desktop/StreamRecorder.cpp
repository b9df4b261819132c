#include "StreamRecorder.h"

#include "DesktopRules.h"
#include "MediaEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

QString diskFullText(const QString &path)
{
    return QStringLiteral("Le disque est plein : l'enregistrement du flux est arrêté.\n"
                          "Ce qui a été enregistré est conservé dans :\n%1")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

StreamRecorder::StreamRecorder(MediaEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &StreamRecorder::poll);
    if (engine) {
        connect(engine, &MediaEngine::stateChanged, this, [this](MediaEngine::State state) {
            if (IsRecording() && state != MediaEngine::State::Playing)
                finish(QString());
        });
        connect(engine, &MediaEngine::streamRecordFailed, this, [this](const QString &) {
            if (IsRecording())
                finish(diskFullText(m_finalPath));
        });
    }
}

StreamRecorder::~StreamRecorder()
{
    if (IsRecording())
        finish(QString());
}

bool StreamRecorder::Start(const QString &station, const QString &folder, const QDateTime &now, QString *error)
{
    const auto failWith = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (IsRecording())
        return true;
    if (!m_engine || m_engine->state() != MediaEngine::State::Playing)
        return failWith(QStringLiteral("Aucun flux n'est en cours de lecture."));
    QDir dir(folder);
    if (folder.isEmpty() || !dir.mkpath(QStringLiteral(".")))
        return failWith(QStringLiteral("Le dossier des enregistrements est introuvable :\n%1")
                            .arg(QDir::toNativeSeparators(folder)));
    const QStorageInfo disk(dir.absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < m_minFree)
        return failWith(QStringLiteral("Le disque est plein : l'enregistrement du flux ne peut pas commencer."));

    const QString extension = desktop::RecordExtension(m_engine->audioCodecName(), m_engine->fileFormat());
    QString name = desktop::RecordFileName(station, now, extension);
    const QString base = name.left(name.size() - extension.size() - 1);
    // A second recording of the same station within the minute gets a number.
    for (int n = 2; QFileInfo::exists(dir.filePath(name)) || QFileInfo::exists(dir.filePath(base + QStringLiteral(".part.") + extension)); ++n)
        name = QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(extension);
    const QString stem = name.left(name.size() - extension.size() - 1);
    const QString part = dir.filePath(stem + QStringLiteral(".part.") + extension);
    // The folder must take a file: checked here, as the player reports a failure only in its log.
    {
        QFile probe(part);
        if (!probe.open(QIODevice::WriteOnly))
            return failWith(QStringLiteral("Impossible d'écrire dans le dossier des enregistrements :\n%1")
                                .arg(QDir::toNativeSeparators(dir.absolutePath())));
    }
    m_partPath = part;
    m_finalPath = dir.filePath(name);
    m_lastSize = -1;
    m_engine->setStreamRecord(m_partPath);
    m_poll.start();
    return true;
}

qint64 StreamRecorder::BytesWritten() const
{
    if (!IsRecording())
        return 0;
    return qMax<qint64>(0, QFileInfo(m_partPath).size());
}

void StreamRecorder::poll()
{
    if (!IsRecording())
        return;
    const qint64 size = BytesWritten();
    if (size != m_lastSize) {
        m_lastSize = size;
        emit Progress(size);
    }
    const QStorageInfo disk(QFileInfo(m_partPath).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < m_minFree)
        finish(diskFullText(m_finalPath));
}

void StreamRecorder::Stop()
{
    if (IsRecording())
        finish(QString());
}

void StreamRecorder::finish(const QString &warning)
{
    m_poll.stop();
    const QString part = m_partPath;
    const QString final = m_finalPath;
    m_partPath.clear();
    m_finalPath.clear();
    // The player closes the file when the recording target is emptied.
    if (m_engine)
        m_engine->setStreamRecord(QString());
    QString kept;
    if (QFileInfo(part).size() > 0 && QFile::rename(part, final))
        kept = final;
    else if (QFileInfo(part).size() > 0)
        kept = part; // the final name could not be taken: the file stays under its working name
    else
        QFile::remove(part);
    emit Ended(kept, warning);
}
