#include "StreamRecorder.h"

#include "DesktopRules.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStorageInfo>
#include <QUrl>

namespace {

QString diskFullText(const QString &path)
{
    return QStringLiteral("Le disque est plein : l'enregistrement du flux est arrêté.\n"
                          "Ce qui a été enregistré est conservé dans :\n%1")
        .arg(QDir::toNativeSeparators(path));
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

StreamRecorder::StreamRecorder(MediaEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &StreamRecorder::poll);
    if (engine) {
        connect(engine, &MediaEngine::stateChanged, this, [this](MediaEngine::State state) {
            if (IsRecording() && (state == MediaEngine::State::Idle || state == MediaEngine::State::Failed))
                finish(QString());
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
    const QUrl url(m_engine->currentUrl());
    const QString format = m_engine->fileFormat().toLower();
    // Segmented streams (HLS, DASH) are lists of pieces, not one stream to save as it comes.
    if (!isWebAddress(url) || format.contains(QLatin1String("hls")) || format.contains(QLatin1String("dash"))
        || url.path().endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive))
        return failWith(QStringLiteral("Ce flux ne peut pas être enregistré."));
    QDir dir(folder);
    if (folder.isEmpty() || !dir.mkpath(QStringLiteral(".")))
        return failWith(QStringLiteral("Le dossier des enregistrements est introuvable :\n%1")
                            .arg(QDir::toNativeSeparators(folder)));
    const QStorageInfo disk(dir.absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < m_minFree)
        return failWith(QStringLiteral("Le disque est plein : l'enregistrement du flux ne peut pas commencer."));

    const QString extension = desktop::RecordExtension(m_engine->audioCodecName(), m_engine->fileFormat());
    const QString first = desktop::RecordFileName(station, now, extension);
    const QString base = first.left(first.size() - extension.size() - 1);
    // Another recording of the same station within the minute gets a number. A link counts as
    // a file there, even one that leads nowhere.
    const auto taken = [](const QString &path) { return QFileInfo::exists(path) || QFileInfo(path).isSymLink(); };
    QString stem = base;
    for (int n = 2; taken(dir.filePath(stem + QLatin1Char('.') + extension))
                    || taken(dir.filePath(stem + QStringLiteral(".part.") + extension));
         ++n)
        stem = QStringLiteral("%1 (%2)").arg(base).arg(n);
    // Unbuffered: a write that fails (a full disk) is known at once. Created new, never through
    // a link: a file or a link that came at that name meanwhile is refused.
    m_file.setFileName(dir.filePath(stem + QStringLiteral(".part.") + extension));
    if (!m_file.open(QIODevice::NewOnly | QIODevice::Unbuffered))
        return failWith(QStringLiteral("Impossible d'écrire dans le dossier des enregistrements :\n%1")
                            .arg(QDir::toNativeSeparators(dir.absolutePath())));
    m_finalPath = dir.filePath(stem + QLatin1Char('.') + extension);
    m_written = 0;
    m_reported = -1;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setRawHeader("Icy-MetaData", "0");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Tavilune"));
    request.setTransferTimeout(30000);
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(256 * 1024);
    connect(m_reply, &QNetworkReply::readyRead, this, &StreamRecorder::onData);
    connect(m_reply, &QNetworkReply::finished, this, &StreamRecorder::onFinished);
    m_poll.start();
    return true;
}

void StreamRecorder::onData()
{
    if (!m_reply || !IsRecording())
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && status != 200) {
        finish(QStringLiteral("La station refuse l'enregistrement du flux (erreur HTTP %1).").arg(status));
        return;
    }
    const QByteArray data = m_reply->readAll();
    if (data.isEmpty())
        return;
    const qint64 n = m_file.write(data);
    if (n > 0)
        m_written += n;
    if (n != data.size())
        finish(diskFullText(m_finalPath));
}

void StreamRecorder::onFinished()
{
    if (!IsRecording() || sender() != m_reply)
        return;
    onData();
    if (!IsRecording())
        return;
    // The station ended the connection: what came is kept.
    const bool refused = m_reply && m_reply->error() != QNetworkReply::NoError && m_written == 0;
    finish(refused ? QStringLiteral("Le flux n'a pas pu être enregistré : %1").arg(m_reply->errorString())
                   : QString());
}

void StreamRecorder::poll()
{
    if (!IsRecording())
        return;
    if (m_written != m_reported) {
        m_reported = m_written;
        emit Progress(m_written);
    }
    const QStorageInfo disk(QFileInfo(m_file.fileName()).absolutePath());
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
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    const QString part = m_file.fileName();
    const QString final = m_finalPath;
    m_file.close();
    m_finalPath.clear();
    QString kept;
    if (m_written > 0 && QFile::rename(part, final))
        kept = final;
    else if (m_written > 0)
        kept = part; // the final name could not be taken: the file stays under its working name
    else
        QFile::remove(part);
    m_written = 0;
    emit Ended(kept, warning);
}
