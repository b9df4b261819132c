#include "MediaEngine.h"

#include "common/LocalFile.h"
#include "common/NetGuard.h"

#include "MpvApi.h"
#include "PlaybackPolicy.h"

#include <QCoreApplication>
#include <QFile>
#include <QPlatformSurfaceEvent>
#include <QThread>
#include <QWindow>
#include <clocale>

namespace {

enum Observed : uint64_t { ObsFileSize = 1, ObsPausedForCache, ObsIcyTitle, ObsTagTitle, HookLoad, DumpReply };

// What mpv is given instead of an entry it must not open: a protocol nobody serves, so that
// nothing at all is opened and the entry simply fails.
constexpr const char *kRefusedEntry = "refused://";


// The reason of a failed attempt, from what mpv logged about it.
QString reasonFromLog(const QString &log)
{
    if (log.contains(u"Connection refused", Qt::CaseInsensitive))
        return QStringLiteral("connexion refusée");
    if (log.contains(u"404") || log.contains(u"410 Gone"))
        return QStringLiteral("adresse introuvable (erreur HTTP 404)");
    if (log.contains(u"403"))
        return QStringLiteral("accès refusé (erreur HTTP 403)");
    if (log.contains(u"HTTP error", Qt::CaseInsensitive)) {
        const qsizetype at = log.indexOf(u"HTTP error", 0, Qt::CaseInsensitive);
        return QStringLiteral("erreur HTTP %1").arg(log.mid(at + 11, 3));
    }
    if (log.contains(u"timed out", Qt::CaseInsensitive) || log.contains(u"timeout", Qt::CaseInsensitive))
        return QStringLiteral("le serveur ne répond pas");
    if (log.contains(u"resolve", Qt::CaseInsensitive) || log.contains(u"not known", Qt::CaseInsensitive))
        return QStringLiteral("serveur introuvable");
    return {};
}

// The title in the line the network layer logs (at mpv's debug level) as it reads a block of
// ICY metadata from the stream; empty for any other line.
QByteArray icyTitleFromLog(const mpv_event_log_message &msg)
{
    static constexpr char kLine[] = "http: Metadata update for StreamTitle: ";
    if (qstrcmp(msg.prefix, "ffmpeg") != 0 || qstrncmp(msg.text, kLine, sizeof kLine - 1) != 0)
        return {};
    return QByteArray(msg.text + sizeof kLine - 1).trimmed();
}

// A number of a map node (mpv gives whole numbers as INT64, others as DOUBLE); fallback when
// the key is missing.
double nodeNumber(const mpv_node &map, const char *key, double fallback)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return fallback;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (qstrcmp(map.u.list->keys[i], key) != 0)
            continue;
        const mpv_node &v = map.u.list->values[i];
        if (v.format == MPV_FORMAT_DOUBLE)
            return v.u.double_;
        if (v.format == MPV_FORMAT_INT64)
            return double(v.u.int64);
        return fallback;
    }
    return fallback;
}

const mpv_node *nodeValue(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (qstrcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    return nullptr;
}

} // namespace

void MediaEngine::MpvDeleter::operator()(mpv_handle *handle) const
{
    const MpvApi *api = MpvApi::Loaded(); // a handle exists only once the module is loaded
    api->set_wakeup_callback(handle, nullptr, nullptr);
    api->terminate_destroy(handle);
}

MediaEngine::MediaEngine(QObject *parent) : MediaEngine(QString(), parent) {}

namespace {
// Every engine alive, for the output device they share (UI thread only).
QList<MediaEngine *> &allEngines()
{
    static QList<MediaEngine *> engines;
    return engines;
}
QString &sharedOutputDevice()
{
    static QString device;
    return device;
}
} // namespace

MediaEngine::MediaEngine(const QString &audioOutput, QObject *parent) : QObject(parent)
{
    allEngines().append(this);
    setPolicy(&PlaybackPolicy::Program());
    m_status = QStringLiteral("Arrêt");
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &MediaEngine::reconnectNow);
    m_lateLogTimer.setSingleShot(true);
    m_lateLogTimer.setInterval(250);
    connect(&m_lateLogTimer, &QTimer::timeout, this, &MediaEngine::drainEvents);
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(DefaultConnectTimeoutMs);
    connect(&m_watchdog, &QTimer::timeout, this, &MediaEngine::onWatchdog);
    connect(&m_resolver, &PlaylistResolver::finished, this, &MediaEngine::onResolved);
    m_shiftTimer.setInterval(1000);
    connect(&m_shiftTimer, &QTimer::timeout, this, &MediaEngine::pollTimeShift);
    m_audioOutput = audioOutput; // the player itself is made by the first play()
}

MediaEngine::~MediaEngine()
{
    allEngines().removeOne(this);
    setPolicy(nullptr);
    m_resolver.cancel();
    emit handleClosing();
    m_mpv.reset(); // mpv_terminate_destroy: waits for mpv's threads, closes the audio output
}

void MediaEngine::setPolicy(PlaybackPolicy *policy)
{
    if (m_policy)
        m_policy->Leave(this);
    m_policy = policy;
    if (m_policy)
        m_policy->Join(this);
}

void MediaEngine::PreloadPlayer() { MpvApi::Preload(); }

bool MediaEngine::isAvailable() const { return const_cast<MediaEngine *>(this)->ensureHandle(); }

bool MediaEngine::ensureHandle()
{
    if (m_mpv)
        return true;
    m_api = MpvApi::Load();
    if (!m_api)
        return false;
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *handle = m_api->create();
    if (!handle)
        return false;
    m_mpv.reset(handle);
    const std::pair<const char *, const char *> options[] = {
        {"terminal", "no"},
        {"config", "no"},
        {"load-scripts", "no"},
        {"idle", "yes"},
        {"network-timeout", "10"},
        {"cache", "auto"}, // on for network streams
        // mpv's scripts for its own window (statistics, console, profiles): none is shown here,
        // and each would run a Lua interpreter on a thread of its own.
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"ytdl", "no"},
        {"load-unsafe-playlists", "no"}, // lists from the network name network streams only
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"force-window", "no"},
        {"audio-display", "no"},
        {"vid", "no"}, // until a video widget is given
        {"audio-client-name", "Tavilune"},
        // PulseAudio asks for sound every 200 ms instead of every 100 (the wake-ups of the
        // player's threads halve); the first sound comes as soon as before.
        {"pulse-buffer", "200"},
    };
    for (const auto &[name, value] : options)
        m_api->set_option_string(handle, name, value);
    applyCacheLimits(true);
    if (!m_audioOutput.isEmpty())
        m_api->set_option_string(handle, "ao", m_audioOutput.toUtf8().constData());
    if (!sharedOutputDevice().isEmpty())
        m_api->set_option_string(handle, "audio-device", sharedOutputDevice().toUtf8().constData());
    if (!m_audioFilter.isEmpty())
        m_api->set_option_string(handle, "af", m_audioFilter.toUtf8().constData());
    if (m_api->initialize(handle) < 0) {
        m_mpv.reset();
        return false;
    }
    m_api->observe_property(handle, ObsFileSize, "file-size", MPV_FORMAT_INT64);
    m_api->observe_property(handle, ObsPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    m_api->observe_property(handle, ObsIcyTitle, "metadata/by-key/icy-title", MPV_FORMAT_STRING);
    m_api->observe_property(handle, ObsTagTitle, "metadata/by-key/title", MPV_FORMAT_STRING);
    // Every file mpv opens waits for the engine's word first (onLoadHook).
    m_api->hook_add(handle, HookLoad, "on_load", 0);
    m_api->request_log_messages(handle, "warn");
    m_logLevel = "warn";
    double volume = m_volume;
    m_api->set_property(handle, "volume", MPV_FORMAT_DOUBLE, &volume);
    m_api->set_wakeup_callback(handle, &MediaEngine::wakeup, this);
    // Video chosen before the player existed.
    if (m_renderedVideo)
        setRenderedVideo(true);
    else if (m_videoWindow)
        setVideoWindow(m_videoWindow);
    emit handleCreated();
    return true;
}

void MediaEngine::wakeup(void *self)
{
    // Any mpv thread: post one drain to the UI thread unless one is already on its way.
    auto *engine = static_cast<MediaEngine *>(self);
    if (!engine->m_wakeupPending.exchange(true))
        QMetaObject::invokeMethod(engine, &MediaEngine::drainEvents, Qt::QueuedConnection);
}

void MediaEngine::drainEvents()
{
    m_wakeupPending.store(false);
    while (m_mpv) {
        mpv_event *event = m_api->wait_event(m_mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    if (m_pendingEnd.pending) {
        // mpv's threads may log why a stream failed a little after the end itself: an error
        // without a reason yet waits a moment for it (once) before it is handled.
        if (m_pendingEnd.reason == MPV_END_FILE_REASON_ERROR && !m_pendingEnd.waited
            && !m_pendingEnd.refused && m_pendingEnd.error != MPV_ERROR_UNKNOWN_FORMAT
            && reasonFromLog(m_lastLog).isEmpty()) {
            m_pendingEnd.waited = true;
            m_lateLogTimer.start();
            return;
        }
        m_lateLogTimer.stop();
        m_pendingEnd.pending = false;
        onEndFile(m_pendingEnd.reason, m_pendingEnd.error, m_pendingEnd.refused);
    }
}

void MediaEngine::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto *start = static_cast<const mpv_event_start_file *>(event.data);
        m_startingEntry = start->playlist_entry_id;
        if (m_entries.contains(start->playlist_entry_id)) {
            m_started = true;
            m_fileSize = -1;
        }
        break;
    }
    case MPV_EVENT_HOOK: {
        // mpv waits until the hook is continued, whatever it was for.
        const auto *hook = static_cast<const mpv_event_hook *>(event.data);
        if (event.reply_userdata == HookLoad && !onLoadHook(hook->id))
            break; // continued once the entry's address is checked
        m_api->hook_continue(m_mpv.get(), hook->id);
        break;
    }
    case MPV_EVENT_SEEK:
        m_seeking = true;
        break;
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == DumpReply && !m_dumpPath.isEmpty()) {
            const QString path = m_dumpPath;
            m_dumpPath.clear();
            emit cacheDumped(path, event.error >= 0);
        }
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        m_seeking = false;
        if (m_started && (m_state == State::Connecting || m_state == State::Reconnecting)) {
            m_watchdog.stop();
            m_retries = 0;
            m_candidates.clear();
            m_lastFailure.clear();
            setState(State::Playing, QStringLiteral("Lecture en cours : %1").arg(m_address));
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        const auto it = m_entries.constFind(end->playlist_entry_id);
        if (it == m_entries.cend())
            break;
        const Entry ended = it.value();
        m_entries.erase(it);
        if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
            // mpv read a playlist itself: its entries replace this one, and are checked as
            // they are opened (onLoadHook).
            const bool remote = Playlist::isRemoteAddress(ended.address);
            for (int i = 0; i < end->playlist_insert_num_entries; ++i)
                m_entries.insert(end->playlist_insert_id + i,
                                 Entry{QString(), ended.depth + 1, remote, i, false, ended.address});
            m_directTry = false;
            break;
        }
        if (end->reason != MPV_END_FILE_REASON_EOF && end->reason != MPV_END_FILE_REASON_ERROR)
            break; // stopped or replaced by us
        if (!m_entries.isEmpty()) {
            // mpv goes on with the next entry it inserted.
            if (!ended.refused)
                m_lastFailure = failureReason(end->error);
            break;
        }
        // Handled once the queue is empty: mpv hands out the log lines that tell why after
        // the event itself.
        m_pendingEnd = {true, false, end->reason, end->error, ended.refused};
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *prop = static_cast<const mpv_event_property *>(event.data);
        if (!m_started && event.reply_userdata != ObsPausedForCache)
            break; // left over from the previous entry
        switch (event.reply_userdata) {
        case ObsFileSize:
            m_fileSize = prop->format == MPV_FORMAT_INT64 ? *static_cast<int64_t *>(prop->data) : -1;
            break;
        case ObsPausedForCache: {
            const bool buffering = prop->format == MPV_FORMAT_FLAG && *static_cast<int *>(prop->data);
            if (buffering != m_buffering) {
                m_buffering = buffering;
                if (m_state == State::Playing)
                    setStatus(buffering ? QStringLiteral("Mise en mémoire tampon : %1").arg(m_address)
                                        : QStringLiteral("Lecture en cours : %1").arg(m_address));
            }
            break;
        }
        case ObsIcyTitle:
        case ObsTagTitle: {
            QString value;
            if (prop->format == MPV_FORMAT_STRING) // old servers send Latin-1 titles
                value = Playlist::decodeText(QByteArray(*static_cast<char **>(prop->data))).trimmed();
            (event.reply_userdata == ObsIcyTitle ? m_icyTitle : m_tagTitle) = value;
            updateTitle();
            break;
        }
        default:
            break;
        }
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *msg = static_cast<const mpv_event_log_message *>(event.data);
        if (msg->log_level <= MPV_LOG_LEVEL_WARN) {
            const QString text = QString::fromUtf8(msg->text).trimmed();
            if (!reasonFromLog(text).isEmpty())
                m_lastLog = text;
        } else if (m_started && m_icyTitle.isEmpty() && m_earlyTitle.isEmpty()) {
            const QByteArray title = icyTitleFromLog(*msg);
            if (!title.isEmpty()) {
                m_earlyTitle = Playlist::decodeText(title).trimmed();
                updateTitle();
            }
        }
        break;
    }
    default:
        break;
    }
}

bool MediaEngine::onLoadHook(uint64_t hookId)
{
    // mpv is about to open an entry: one the engine loaded, or one it inserted from a list it
    // read. Entries of a list from the network may only send it to the network; lists nested
    // too deep and entries past the first few of a list are not followed either.
    const auto it = m_entries.find(m_startingEntry);
    if (it == m_entries.end())
        return true;
    Entry &entry = it.value();
    if (entry.address.isEmpty()) {
        char *name = m_api->get_property_string(m_mpv.get(), "stream-open-filename");
        entry.address = name ? QString::fromUtf8(name) : QString();
        m_api->free(name);
    }
    if (entry.depth > MaxPlaylistDepth || entry.index >= MaxPlaylistEntries) {
        entry.refused = true;
    } else if (entry.fromRemoteList && !Playlist::remoteEntryAllowed(entry.address)) {
        entry.refused = true;
        m_lastFailure = QStringLiteral("entrée de liste refusée (%1)").arg(entry.address);
    }
    if (entry.refused) {
        m_api->set_property_string(m_mpv.get(), "stream-open-filename", kRefusedEntry);
        return true;
    }
    m_currentUrl = entry.address;
    m_currentDepth = entry.depth;
    if (!entry.fromRemoteList || net::SameOrigin(QUrl(entry.list), QUrl(entry.address)))
        return true;
    // Elsewhere than the list's server: opened only from a public address. mpv waits meanwhile.
    mpv_handle *handle = m_mpv.get();
    const qint64 entryId = m_startingEntry;
    const QString address = entry.address;
    net::CheckRemoteTarget(QUrl(address), this, [this, handle, hookId, entryId, address](bool allowed) {
        if (m_mpv.get() != handle)
            return; // that player is gone, and its hooks with it
        if (!allowed) {
            const auto refused = m_entries.find(entryId);
            if (refused != m_entries.end())
                refused->refused = true;
            m_lastFailure = QStringLiteral("entrée de liste refusée (%1)").arg(address);
            m_api->set_property_string(handle, "stream-open-filename", kRefusedEntry);
        }
        m_api->hook_continue(handle, hookId);
    });
    return false;
}

void MediaEngine::updateTitle()
{
    // mpv's metadata property shows an ICY title once playback reaches the audio it came with,
    // about a second into the stream for the first one; the line logged as the stream is read
    // gives that first one at once (later changes wait for their audio, as they should).
    const QString title = !m_icyTitle.isEmpty() ? m_icyTitle : !m_earlyTitle.isEmpty() ? m_earlyTitle : m_tagTitle;
    if (m_mpv && !title.isEmpty())
        requestLogLevel("warn");
    if (title == m_title)
        return;
    m_title = title;
    emit streamTitleChanged(m_title);
}

void MediaEngine::play(const QString &address)
{
    if (m_policy)
        m_policy->Claim(this);
    halt();
    m_address = address.trimmed();
    m_currentUrl.clear();
    m_retries = 0;
    m_lastFailure.clear();
    m_candidates.clear();
    if (m_address.isEmpty()) {
        fail(QStringLiteral("Aucune adresse de flux à lire"));
        return;
    }
    if (!ensureHandle()) {
        fail(QStringLiteral("Impossible de lire %1 : le lecteur multimédia n'a pas pu démarrer")
                 .arg(m_address));
        return;
    }
    // A new stream: its rate in the cache is measured again.
    m_countedRate = 0;
    applyCacheLimits();
    m_candidates.append({m_address, 0, {}});
    setState(State::Connecting, QStringLiteral("Connexion à %1...").arg(m_address));
    m_watchdog.start();
    tryNextCandidate();
}

void MediaEngine::tryNextCandidate()
{
    if (m_candidates.isEmpty()) {
        fail(m_lastFailure.isEmpty()
                 ? QStringLiteral("Impossible de lire %1").arg(m_address)
                 : QStringLiteral("Impossible de lire %1 : %2").arg(m_address, m_lastFailure));
        return;
    }
    const Candidate next = m_candidates.takeFirst();
    // A local file is handed to the player only when it is a regular file: a device or a named
    // pipe would never end (or never start) reading.
    if (!Playlist::isRemoteAddress(next.address) && next.address.contains(u'/')) {
        const QString path = next.address.startsWith(u'/') ? next.address : QUrl(next.address).toLocalFile();
        const localfile::ReadResult check = localfile::CheckRegularFile(path);
        if (!path.isEmpty() && check != localfile::ReadResult::Ok) {
            m_lastFailure = localfile::ReadResultText(check);
            tryNextCandidate();
            return;
        }
    }
    // An entry of a list from the network, elsewhere than that list's server, is only opened
    // from a public address.
    if (!next.list.isEmpty() && !net::SameOrigin(QUrl(next.list), QUrl(next.address))) {
        const quint64 attempt = ++m_check;
        net::CheckRemoteTarget(QUrl(next.address), this, [this, attempt, next](bool allowed) {
            if (attempt != m_check || m_state != State::Connecting)
                return;
            if (!allowed) {
                m_lastFailure = QStringLiteral("entrée de liste refusée (%1)").arg(next.address);
                tryNextCandidate();
                return;
            }
            open(next);
        });
        return;
    }
    open(next);
}

void MediaEngine::open(const Candidate &next)
{
    if (next.depth < MaxPlaylistDepth && PlaylistResolver::needsLookup(next.address)) {
        if (PlaylistResolver::playerLooksFirst(next.address)) {
            load(next.address, next.depth, true);
            return;
        }
        m_currentUrl = next.address;
        m_lookupDepth = next.depth;
        m_lookupIsFallback = false;
        m_resolver.start(next.address, !next.list.isEmpty());
        return;
    }
    load(next.address, next.depth);
}

void MediaEngine::onResolved(const PlaylistResolver::Result &result)
{
    if (m_state != State::Connecting)
        return;
    switch (result.outcome) {
    case PlaylistResolver::Outcome::Direct:
        if (m_lookupIsFallback) { // mpv had it already and did not recognise it
            m_lastFailure = failureReason(MPV_ERROR_UNKNOWN_FORMAT);
            break;
        }
        load(result.address, m_lookupDepth);
        return;
    case PlaylistResolver::Outcome::Entries: {
        // Entries of this list come before whatever was still to be tried.
        // A list from the network may not point the player at local files or devices.
        const bool remote = Playlist::isRemoteAddress(result.address);
        QList<Candidate> entries;
        for (const QString &entry : result.entries.mid(0, MaxPlaylistEntries)) {
            if (remote && !Playlist::remoteEntryAllowed(entry)) {
                m_lastFailure = QStringLiteral("entrée de liste refusée (%1)").arg(entry);
                continue;
            }
            entries.append({entry, m_lookupDepth + 1, remote ? result.address : QString()});
        }
        m_candidates = entries + m_candidates;
        break;
    }
    case PlaylistResolver::Outcome::Failed:
        m_lastFailure = result.errorText;
        break;
    }
    tryNextCandidate();
}

void MediaEngine::load(const QString &url, int depth, bool direct)
{
    m_currentUrl = url;
    m_currentDepth = depth;
    m_entries.clear();
    m_directTry = direct;
    m_directCandidate = {url, depth, {}};
    m_started = false;
    m_fileSize = -1;
    m_buffering = false;
    m_lastLog.clear();
    m_earlyTitle.clear();
    // A new connection: its cache starts empty, and listening starts live.
    m_window = {};
    m_atLive = true;
    m_seeking = false;
    m_shiftTimer.setInterval(1000);
    updateTitle();
    const bool video = m_videoWindow || m_renderedVideo;
    // Until the stream's first title: the log lines that carry it (see updateTitle).
    requestLogLevel(video ? "warn" : "debug");
    // Sound alone starts from what the stream's own headers say (format, codec) instead of
    // first reading on to analyse its packets: a station that sends no burst on connect is
    // heard half a second (MP3) to a second (AAC) sooner at 128 kbit/s. A stream whose headers
    // name no track at all is still analysed. A picture may need that analysis (its size, its
    // frame rate), so video keeps it; so does a radio kept for live pause and rewind, whose cache
    // is written out with its codec parameters ("Garder"), which the analysis alone fills in.
    const bool analyse = video || m_shiftMinutes > 0;
    m_api->set_property_string(m_mpv.get(), "demuxer-lavf-probe-info", analyse ? "auto" : "nostreams");
    const QByteArray utf8 = url.toUtf8();
    const char *args[] = {"loadfile", utf8.constData(), "replace", nullptr};
    mpv_node result;
    if (m_api->command_ret(m_mpv.get(), args, &result) < 0) {
        m_lastFailure = QStringLiteral("adresse refusée par le lecteur");
        if (m_state == State::Reconnecting)
            scheduleReconnect();
        else
            tryNextCandidate();
        return;
    }
    qint64 id = -1;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i)
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0
                && result.u.list->values[i].format == MPV_FORMAT_INT64)
                id = result.u.list->values[i].u.int64;
    }
    m_api->free_node_contents(&result);
    m_entries.insert(id, Entry{url, depth, false, 0, false, {}});
}

void MediaEngine::requestLogLevel(const char *level)
{
    // The debug lines are wanted only until a stream has given its first title; a picture's
    // debug lines would be many, so video keeps to warnings.
    if (qstrcmp(level, m_logLevel) == 0)
        return;
    m_logLevel = level;
    m_api->request_log_messages(m_mpv.get(), level);
}

QString MediaEngine::failureReason(int errorCode) const
{
    const QString fromLog = reasonFromLog(m_lastLog);
    if (!fromLog.isEmpty())
        return fromLog;
    switch (errorCode) {
    case MPV_ERROR_UNKNOWN_FORMAT: return QStringLiteral("format non reconnu");
    case MPV_ERROR_NOTHING_TO_PLAY: return QStringLiteral("aucune piste lisible");
    case MPV_ERROR_AO_INIT_FAILED: return QStringLiteral("sortie audio indisponible");
    case MPV_ERROR_VO_INIT_FAILED: return QStringLiteral("sortie vidéo indisponible");
    case MPV_ERROR_LOADING_FAILED: return QStringLiteral("ouverture impossible");
    default: return QStringLiteral("erreur de lecture");
    }
}

void MediaEngine::onEndFile(int reason, int errorCode, bool refused)
{
    // A network stream of unknown size is live: its end is a drop. One with a known size (an
    // HTTP Content-Length) or a local file ends normally.
    const bool finite = m_fileSize > 0 || !Playlist::isRemoteAddress(m_currentUrl);
    if (reason == MPV_END_FILE_REASON_EOF && finite && m_state == State::Playing) {
        setState(State::Idle, QStringLiteral("Lecture terminée"));
        return;
    }
    // An error, or the end of a live stream, which should not end.
    switch (m_state) {
    case State::Connecting:
        if (m_directTry && reason == MPV_END_FILE_REASON_ERROR && errorCode == MPV_ERROR_UNKNOWN_FORMAT) {
            // Something mpv does not read (an XML ASX, an XSPF...): the playlist decoders look.
            m_directTry = false;
            m_currentUrl = m_directCandidate.address;
            m_lookupDepth = m_directCandidate.depth;
            m_lookupIsFallback = true;
            m_resolver.start(m_directCandidate.address);
            return;
        }
        if (!refused)
            m_lastFailure = reason == MPV_END_FILE_REASON_EOF ? QStringLiteral("flux vide")
                                                              : failureReason(errorCode);
        tryNextCandidate();
        break;
    case State::Playing:
    case State::Reconnecting:
        scheduleReconnect();
        break;
    case State::Idle:
    case State::Failed:
        break;
    }
}

void MediaEngine::scheduleReconnect()
{
    m_watchdog.stop();
    if (m_retries >= MaxReconnectAttempts) {
        fail(QStringLiteral("Flux interrompu : impossible de se reconnecter à %1").arg(m_address));
        return;
    }
    ++m_retries;
    const int delay = m_baseDelayMs << (m_retries - 1);
    setState(State::Reconnecting,
             QStringLiteral("Flux interrompu : reconnexion à %1 dans %2 s (tentative %3/%4)...")
                 .arg(m_address, QString::number((delay + 999) / 1000), QString::number(m_retries),
                      QString::number(MaxReconnectAttempts)));
    m_retryTimer.start(delay);
}

void MediaEngine::reconnectNow()
{
    if (m_state != State::Reconnecting)
        return;
    setStatus(QStringLiteral("Reconnexion à %1 (tentative %2/%3)...")
                  .arg(m_address, QString::number(m_retries), QString::number(MaxReconnectAttempts)));
    m_watchdog.start();
    load(m_currentUrl, m_currentDepth);
}

void MediaEngine::onWatchdog()
{
    // Nothing played in time: give this attempt up as if mpv had reported an error.
    m_resolver.cancel();
    m_entries.clear();
    m_directTry = false;
    if (m_mpv) {
        const char *args[] = {"stop", nullptr};
        m_api->command(m_mpv.get(), args);
    }
    if (m_state == State::Connecting) {
        m_lastFailure = QStringLiteral("le serveur ne répond pas");
        m_candidates.clear();
        tryNextCandidate();
    } else if (m_state == State::Reconnecting) {
        scheduleReconnect();
    }
}

void MediaEngine::halt()
{
    if (m_paused)
        setPaused(false);
    m_pendingEnd.pending = false;
    m_lateLogTimer.stop();
    m_resolver.cancel();
    m_retryTimer.stop();
    m_watchdog.stop();
    m_candidates.clear();
    ++m_check;
    m_entries.clear();
    m_directTry = false;
    m_lookupIsFallback = false;
    m_started = false;
    m_buffering = false;
    m_icyTitle.clear();
    m_earlyTitle.clear();
    m_tagTitle.clear();
    updateTitle();
    if (m_mpv && m_state != State::Idle && m_state != State::Failed) {
        const char *args[] = {"stop", nullptr};
        m_api->command(m_mpv.get(), args);
    }
}

void MediaEngine::stop()
{
    halt();
    setState(State::Idle, QStringLiteral("Arrêt"));
}

void MediaEngine::fail(const QString &text)
{
    halt();
    setState(State::Failed, text);
    emit error(text);
}

void MediaEngine::setState(State state, const QString &status)
{
    const bool changed = state != m_state;
    m_state = state;
    if (timeShiftActive())
        m_shiftTimer.start();
    else
        m_shiftTimer.stop();
    setStatus(status);
    if (changed)
        emit stateChanged(state);
}

void MediaEngine::setStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusTextChanged(m_status);
}

double MediaEngine::playbackTime() const
{
    if (!m_mpv || m_state == State::Idle || m_state == State::Failed)
        return -1;
    double pos = -1;
    if (m_api->get_property(m_mpv.get(), "time-pos", MPV_FORMAT_DOUBLE, &pos) < 0)
        return -1;
    return pos;
}

void MediaEngine::setBackBufferBytes(qint64 bytes)
{
    m_backBufferBytes = qMax<qint64>(0, bytes);
    applyCacheLimits();
}

qint64 MediaEngine::cacheLimitBytes() const
{
    return m_shiftMinutes > 0 ? timeshift::BufferBytes(m_shiftMinutes, m_countedRate) : ReadAheadBytes;
}

void MediaEngine::applyCacheLimits(bool asOptions)
{
    if (!m_mpv)
        return;
    const auto set = [this, asOptions](const char *name, const QByteArray &value) {
        if (asOptions)
            m_api->set_option_string(m_mpv.get(), name, value.constData());
        else
            m_api->set_property_string(m_mpv.get(), name, value.constData());
    };
    // With the buffer on, one limit holds what lies behind and ahead of what is heard together:
    // what a pause reads ahead is taken from the oldest part kept behind ("donated"), so the
    // memory stays within the limit however long the pause lasts. Once the read-ahead alone
    // fills it, the player stops reading until playback goes on.
    const qint64 limit = cacheLimitBytes();
    set("demuxer-max-bytes", QByteArray::number(limit));
    set("demuxer-max-back-bytes", QByteArray::number(m_backBufferBytes));
    // Without it, the back buffer would also take whatever the read-ahead leaves unused.
    set("demuxer-donate-buffer", m_shiftMinutes > 0 ? QByteArrayLiteral("yes") : QByteArrayLiteral("no"));
    m_appliedLimit = limit;
}

void MediaEngine::setTimeShiftMinutes(int minutes)
{
    m_shiftMinutes = qBound(0, minutes, timeshift::MaxMinutes);
    applyCacheLimits();
    if (timeShiftActive())
        m_shiftTimer.start();
    else
        m_shiftTimer.stop();
}

bool MediaEngine::timeShiftActive() const
{
    return m_shiftMinutes > 0 && m_mpv && m_state == State::Playing;
}

bool MediaEngine::readWindow()
{
    if (!timeShiftActive())
        return false;
    mpv_node node;
    if (m_api->get_property(m_mpv.get(), "demuxer-cache-state", MPV_FORMAT_NODE, &node) < 0)
        return false;
    double start = -1, end = -1;
    const double total = nodeNumber(node, "total-bytes", 0);
    // Seeks stay within the cache, so it holds one range, the one being played.
    const mpv_node *ranges = nodeValue(node, "seekable-ranges");
    if (ranges && ranges->format == MPV_FORMAT_NODE_ARRAY && ranges->u.list->num > 0) {
        const mpv_node &last = ranges->u.list->values[ranges->u.list->num - 1];
        start = nodeNumber(last, "start", -1);
        end = nodeNumber(last, "end", -1);
    }
    m_api->free_node_contents(&node);
    if (start < 0 || end < start)
        return false;
    double position = -1;
    if (m_api->get_property(m_mpv.get(), "time-pos", MPV_FORMAT_DOUBLE, &position) < 0)
        position = -1;
    m_window.start = start;
    m_window.end = end;
    m_window.position = position;
    // Listening live, what is read ahead of what is heard is the live lead; it is kept while
    // behind live.
    if (m_atLive && !m_paused && !m_seeking && !m_buffering && position >= 0)
        m_window.lead = qMax(0.0, end - position);
    // The limit follows what a second of this stream takes (a change of a twentieth or more).
    const double rate = timeshift::CountedRate(qint64(total), start, end);
    if (rate > 0) {
        m_countedRate = rate;
        const qint64 limit = cacheLimitBytes();
        if (m_appliedLimit <= 0 || qAbs(limit - m_appliedLimit) * 20 > m_appliedLimit)
            applyCacheLimits();
    }
    return true;
}

void MediaEngine::pollTimeShift()
{
    if (!timeShiftActive()) {
        m_shiftTimer.stop();
        return;
    }
    if (!readWindow())
        return;
    // Each second while the delay shows (paused or behind live); live, only the stream's rate
    // and the room behind are followed, every few seconds.
    const bool behind = m_paused || timeshift::Delay(m_window) >= timeshift::LiveTolerance;
    const int interval = behind ? 1000 : 5000;
    if (m_shiftTimer.interval() != interval)
        m_shiftTimer.setInterval(interval);
    emit timeShiftChanged();
}

void MediaEngine::seekAbsolute(double target)
{
    const QByteArray value = QByteArray::number(target, 'f', 3);
    const char *args[] = {"seek", value.constData(), "absolute", nullptr};
    if (m_api->command(m_mpv.get(), args) < 0)
        return;
    m_seeking = true;
    m_window.position = target;
    m_shiftTimer.setInterval(1000);
    emit timeShiftChanged();
}

void MediaEngine::seekTo(double position)
{
    if (!readWindow() || m_window.position < 0)
        return;
    const double target = timeshift::SeekTarget(m_window, position);
    m_atLive = timeshift::LivePoint(m_window) - target < timeshift::LiveTolerance && !m_paused;
    // A step smaller than a quarter of a second is not worth the gap a seek makes.
    if (qAbs(target - m_window.position) >= 0.25)
        seekAbsolute(target);
    else
        emit timeShiftChanged();
}

void MediaEngine::seekBy(double seconds)
{
    if (!readWindow() || m_window.position < 0)
        return;
    seekTo(m_window.position + seconds);
}

void MediaEngine::goLive()
{
    if (m_paused)
        setPaused(false);
    if (!readWindow() || m_window.position < 0)
        return;
    seekTo(timeshift::LivePoint(m_window));
    m_atLive = true;
}

bool MediaEngine::dumpCache(double start, double end, const QString &path)
{
    if (!timeShiftActive() || isDumping() || !(end > start) || path.isEmpty())
        return false;
    const QByteArray from = QByteArray::number(start, 'f', 3);
    const QByteArray to = QByteArray::number(end, 'f', 3);
    const QByteArray file = QFile::encodeName(path);
    const char *args[] = {"dump-cache", from.constData(), to.constData(), file.constData(), nullptr};
    if (m_api->command_async(m_mpv.get(), DumpReply, args) < 0)
        return false;
    m_dumpPath = path;
    return true;
}

void MediaEngine::setPaused(bool paused)
{
    const bool changed = paused != m_paused;
    m_paused = paused;
    if (m_mpv) {
        int flag = paused ? 1 : 0;
        m_api->set_property(m_mpv.get(), "pause", MPV_FORMAT_FLAG, &flag);
    }
    if (!changed)
        return;
    // A pause leaves live; what plays after it is behind.
    if (paused) {
        m_atLive = false;
        if (m_shiftTimer.isActive())
            m_shiftTimer.setInterval(1000);
    }
    emit pausedChanged(paused);
    if (readWindow())
        emit timeShiftChanged();
}

void MediaEngine::setVolume(int volume)
{
    const int before = m_volume;
    m_volume = qBound(0, volume, 100);
    if (m_mpv) {
        double v = m_volume;
        m_api->set_property(m_mpv.get(), "volume", MPV_FORMAT_DOUBLE, &v);
    }
    if (m_volume != before)
        emit volumeChanged(m_volume);
}

QString MediaEngine::stringProperty(const char *name) const
{
    if (!m_mpv || m_state == State::Idle || m_state == State::Failed)
        return {};
    char *value = m_api->get_property_string(m_mpv.get(), name);
    if (!value)
        return {};
    const QString text = QString::fromUtf8(value);
    m_api->free(value);
    return text;
}

QString MediaEngine::audioCodecName() const { return stringProperty("audio-codec-name"); }

QString MediaEngine::fileFormat() const { return stringProperty("file-format"); }

void MediaEngine::setAudioOutput(const QString &name)
{
    m_audioOutput = name;
    if (m_mpv)
        m_api->set_property_string(m_mpv.get(), "ao", name.toUtf8().constData());
}

void MediaEngine::setOutputDevice(const QString &device)
{
    sharedOutputDevice() = device;
    const QByteArray value = device.isEmpty() ? QByteArrayLiteral("auto") : device.toUtf8();
    for (MediaEngine *engine : allEngines())
        if (engine->m_mpv)
            engine->m_api->set_property_string(engine->m_mpv.get(), "audio-device", value.constData());
}

QString MediaEngine::outputDevice() { return sharedOutputDevice(); }

void MediaEngine::setAudioFilter(const QString &filter)
{
    if (filter == m_audioFilter)
        return;
    m_audioFilter = filter;
    if (m_mpv)
        m_api->set_property_string(m_mpv.get(), "af", filter.toUtf8().constData());
}

void MediaEngine::setVideoWindow(QWindow *window)
{
    if (m_videoWindow)
        m_videoWindow->removeEventFilter(this);
    m_videoWindow = window;
    if (window)
        window->installEventFilter(this);
    if (!m_mpv)
        return; // applied when the player is made
    int64_t wid = -1;
    if (window)
        wid = static_cast<int64_t>(window->winId());
    m_api->set_property(m_mpv.get(), "wid", MPV_FORMAT_INT64, &wid);
    m_api->set_property_string(m_mpv.get(), "vid", window ? "auto" : "no");
}

bool MediaEngine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_videoWindow && event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
               == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
        dropVideoWindow();
    return QObject::eventFilter(watched, event);
}

void MediaEngine::dropVideoWindow()
{
    // mpv must let go of the window before it is destroyed: stop, and wait (briefly) until
    // mpv's player is idle, which means its video output is closed.
    if (m_state != State::Idle && m_state != State::Failed)
        stop();
    if (m_mpv) {
        int64_t none = -1;
        m_api->set_property(m_mpv.get(), "wid", MPV_FORMAT_INT64, &none);
        m_api->set_property_string(m_mpv.get(), "vid", "no");
        for (int i = 0; i < 200; ++i) {
            int idle = 0;
            if (m_api->get_property(m_mpv.get(), "idle-active", MPV_FORMAT_FLAG, &idle) < 0 || idle)
                break;
            QThread::msleep(5);
        }
    }
    if (m_videoWindow)
        m_videoWindow->removeEventFilter(this);
    m_videoWindow = nullptr;
}

void MediaEngine::setRenderedVideo(bool on)
{
    m_renderedVideo = on;
    if (!m_mpv)
        return;
    if (on) {
        int64_t none = -1;
        m_api->set_property(m_mpv.get(), "wid", MPV_FORMAT_INT64, &none);
    }
    m_api->set_property_string(m_mpv.get(), "vo", on ? "libmpv" : "");
    m_api->set_property_string(m_mpv.get(), "vid", on || m_videoWindow ? "auto" : "no");
}
