#include "StreamRecorder.h"

#include "DesktopRules.h"
#include "TitleJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStorageInfo>
#include <QThreadPool>
#include <QUrl>

namespace {

QString diskFullText(const QString &path)
{
    return QStringLiteral("Le disque est plein : l'enregistrement du flux est arrêté.\n"
                          "Ce qui a été enregistré est conservé dans :\n%1")
        .arg(QDir::toNativeSeparators(path));
}

// Room for the stream before its first title: one metadata interval, within bounds.
constexpr qint64 kMaxHeld = 1024 * 1024;

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

StreamRecorder::StreamRecorder(MediaEngine *engine, QObject *parent)
    : QObject(parent), m_engine(engine), m_buffer(64 * 1024)
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

// The name without its extension that a new file of fileName can take in the folder: numbered
// "… (2)" when that name, or its working name, is taken. A link counts as a file there, even one
// that leads nowhere.
QString StreamRecorder::freeStem(const QString &fileName) const
{
    const QDir dir(m_folder);
    const QString base = fileName.left(fileName.size() - m_extension.size() - 1);
    const auto taken = [](const QString &path) { return QFileInfo::exists(path) || QFileInfo(path).isSymLink(); };
    QString stem = base;
    for (int n = 2; taken(dir.filePath(stem + QLatin1Char('.') + m_extension))
                    || taken(dir.filePath(stem + QStringLiteral(".part.") + m_extension));
         ++n)
        stem = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return stem;
}

// Opens the working file of stem. Unbuffered: a write that fails (a full disk) is known at once.
// Created new, never through a link: a file or a link that came at that name meanwhile is
// refused.
bool StreamRecorder::openFile(const QString &stem)
{
    const QDir dir(m_folder);
    m_file.setFileName(dir.filePath(stem + QStringLiteral(".part.") + m_extension));
    if (!m_file.open(QIODevice::NewOnly | QIODevice::Unbuffered))
        return false;
    m_finalPath = dir.filePath(stem + QLatin1Char('.') + m_extension);
    m_fileBytes = 0;
    return true;
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

    m_station = station;
    m_folder = dir.absolutePath();
    m_extension = desktop::RecordExtension(m_engine->audioCodecName(), m_engine->fileFormat());
    const icy::Framing framing = icy::FramingOf(m_extension);
    m_perTitle = m_perTitleSetting && m_perTitleSetting() && framing != icy::Framing::None;
    // Another recording of the same station within the minute gets a number.
    if (!openFile(freeStem(desktop::RecordFileName(station, now, m_extension))))
        return failWith(QStringLiteral("Impossible d'écrire dans le dossier des enregistrements :\n%1")
                            .arg(QDir::toNativeSeparators(dir.absolutePath())));
    m_recording = true;
    m_written = 0;
    m_reported = -1;
    m_splitter.reset();
    m_held.clear();
    m_holding = false;
    m_tags = {QString(), QString(), station.trimmed(), now.date()};

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Without titles nothing but the stream comes.
    request.setRawHeader("Icy-MetaData", m_perTitle ? "1" : "0");
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
    if (!m_splitter) {
        // The answer's headers say whether titles come, and how often.
        bool ok = false;
        const qint64 metaInt = m_perTitle ? m_reply->rawHeader("icy-metaint").trimmed().toLongLong(&ok) : 0;
        const bool titles = ok && metaInt > 0;
        m_perTitle = titles; // a station that sends no titles is recorded in one file
        m_splitter.emplace(titles ? icy::FramingOf(m_extension) : icy::Framing::None, titles ? metaInt : 0);
        m_holding = titles && metaInt <= kMaxHeld;
        if (m_holding)
            m_held.reserve(size_t(metaInt));
        else if (titles)
            writeTag(); // too far apart to wait for the first: the station and the date only
    }
    qint64 n;
    while (IsRecording() && m_reply && (n = m_reply->read(m_buffer.data(), qint64(m_buffer.size()))) > 0)
        m_splitter->Feed(m_buffer.data(), qsizetype(n), *this);
}

// Writes to the file; stream bytes are counted. A write that fails (a full disk) ends the
// recording, keeping what was written.
bool StreamRecorder::write(const char *data, qsizetype size, bool stream)
{
    const qint64 n = m_file.write(data, size);
    if (stream && n > 0) {
        m_fileBytes += n;
        m_written += n;
    }
    if (n == size)
        return true;
    finish(diskFullText(m_finalPath));
    return false;
}

// The stream held until the first title, after the file's tag.
bool StreamRecorder::writeHeld()
{
    m_holding = false;
    writeTag();
    const bool ok = m_file.isOpen() && write(m_held.data(), qsizetype(m_held.size()), true);
    m_held.clear();
    return ok;
}

void StreamRecorder::Audio(const char *data, qsizetype size)
{
    if (!IsRecording())
        return;
    if (m_holding) {
        if (m_held.size() + size_t(size) <= m_held.capacity()) {
            m_held.insert(m_held.end(), data, data + size);
            return;
        }
        // No title came within one interval: the file goes on without one.
        if (!writeHeld())
            return;
    }
    write(data, size, true);
}

// MP3 and AAC files begin with their tag; an Ogg file carries it in its comment header, set when
// it is complete.
void StreamRecorder::writeTag()
{
    if (!m_perTitle || icy::FramingOf(m_extension) == icy::Framing::Ogg)
        return;
    const QByteArray tag = recordtags::Id3v2(m_tags);
    write(tag.constData(), tag.size(), false);
}

void StreamRecorder::Title(const QString &title, bool first, QByteArrayView oggHeaders)
{
    if (!IsRecording())
        return;
    QString artist, name;
    journal::SplitTitle(title, artist, name);
    const QDateTime now = QDateTime::currentDateTime();
    if (first) {
        // The stream so far is the end of this title: the file takes its name and tag.
        m_tags.title = name;
        m_tags.artist = artist;
        if (!name.isEmpty()) {
            const QString stem = freeStem(desktop::TitleFileName(m_station, title, now, m_extension));
            m_finalPath = QDir(m_folder).filePath(stem + QLatin1Char('.') + m_extension);
        }
        if (m_holding)
            writeHeld();
        return;
    }
    // A change: this file ends here, the next one begins.
    const QString kept = closeFile();
    if (!kept.isEmpty())
        emit FileKept(kept);
    m_tags.title = name;
    m_tags.artist = artist;
    m_tags.date = now.date();
    if (!openFile(freeStem(desktop::TitleFileName(m_station, title, now, m_extension)))) {
        m_finalPath.clear();
        finish(QStringLiteral("Impossible d'écrire dans le dossier des enregistrements :\n%1")
                   .arg(QDir::toNativeSeparators(m_folder)));
        return;
    }
    if (!oggHeaders.isEmpty() && !write(oggHeaders.data(), oggHeaders.size(), false))
        return;
    writeTag();
}

// Closes the file being written and gives it its final name; the path it is kept at (empty when
// it holds no stream and is removed).
QString StreamRecorder::closeFile()
{
    if (!m_file.isOpen())
        return QString();
    const QString part = m_file.fileName();
    const QString final = m_finalPath;
    m_file.close();
    m_finalPath.clear();
    if (m_fileBytes <= 0) {
        QFile::remove(part);
        return QString();
    }
    if (m_perTitle && icy::FramingOf(m_extension) == icy::Framing::Ogg) {
        // TagLib rewrites the pages after the comment header: on a worker thread, then the name.
        QThreadPool::globalInstance()->start([part, final, tags = m_tags] {
            recordtags::TagOggFile(part, tags);
            QFile::rename(part, final);
        });
        return final;
    }
    // The final name could not be taken: the file stays under its working name.
    return QFile::rename(part, final) ? final : part;
}

void StreamRecorder::onFinished()
{
    if (!IsRecording() || sender() != m_reply)
        return;
    onData();
    if (!IsRecording())
        return;
    // The station ended the connection: what came is kept.
    const bool refused = m_reply && m_reply->error() != QNetworkReply::NoError && m_written == 0 && m_held.empty();
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
    const QStorageInfo disk(m_folder);
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
    if (!m_recording)
        return;
    m_recording = false;
    m_poll.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    // The stream that waited for a first title that never came.
    if (m_holding && !m_held.empty())
        writeHeld();
    m_holding = false;
    m_held.clear();
    const QString kept = closeFile();
    if (m_perTitle && !kept.isEmpty())
        emit FileKept(kept);
    m_written = 0;
    emit Ended(kept, warning);
}
