#pragma once
// The one media player of the program: plays a station's stream (or a TV channel) with libmpv.
//
// Ownership: MediaEngine owns its mpv handle, made when it first plays (the player module and
// libmpv are loaded then, see MpvApi.h) and kept until the destructor destroys it with
// mpv_terminate_destroy. Settings made before (volume, audio output, video) apply at creation. The program's main engine is made by the program's
// composition root; windows that play own theirs. Engines join PlaybackPolicy::Program(): whatever
// member starts playing, every other member stops first, so one stream plays at a time.
//
// Thread contract: create and use an engine on the UI thread only. mpv's wakeup callback, called
// on mpv's own threads, does nothing but post one queued call to the engine; that call drains
// mpv's events on the UI thread and turns them into the signals below.
//
// Playback: an http(s) address whose name says neither media nor playlist (most station mounts)
// goes to mpv at once, which plays a stream on that one connection and reads PLS, M3U, the ASF
// reference form and HLS itself; only what mpv does not recognise (XML ASX, XSPF...) is then
// looked at by PlaylistResolver. An address named as a playlist is looked at first: it is decoded
// and its entries are tried in order until one plays. Entries of a list fetched from the
// network, whoever read it, may only point at the network (Playlist::remoteEntryAllowed). A stream that
// drops while playing is opened again after 1, 2, 4, 8 and 16 s (times the base delay), then
// given up (Failed). Reaching playback again resets the count. An address that never plays ends
// in Failed with the reason in statusText().
#include "PlaylistResolver.h"
#include "TimeShift.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <memory>

struct mpv_handle;
struct mpv_event;
struct MpvApi;
class PlaybackPolicy;


class MediaEngine : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,         // nothing plays (also after a finite file ended)
        Connecting,   // play() was called; nothing heard yet
        Playing,      // the stream is playing (or buffering after it had started)
        Reconnecting, // the stream dropped; waiting for, or making, the next attempt
        Failed,       // given up; statusText() says why
    };
    Q_ENUM(State)

    static constexpr int MaxReconnectAttempts = 5;
    static constexpr int DefaultReconnectBaseDelayMs = 1000;
    static constexpr int DefaultConnectTimeoutMs = 30000;
    static constexpr int MaxPlaylistDepth = 3;    // a playlist entry that is a playlist...
    static constexpr int MaxPlaylistEntries = 10; // entries of one playlist that are tried

    // audioOutput: an mpv audio output name ("pulse", "pipewire", "null"...); empty lets mpv
    // choose (PulseAudio or PipeWire on a desktop).
    explicit MediaEngine(QObject *parent = nullptr);
    explicit MediaEngine(const QString &audioOutput, QObject *parent = nullptr);
    ~MediaEngine() override;
    MediaEngine(const MediaEngine &) = delete;
    MediaEngine &operator=(const MediaEngine &) = delete;

    // The one-stream policy this engine joins (the program's by default); nullptr: the engine
    // neither stops nor is stopped by the others.
    void setPolicy(PlaybackPolicy *policy);
    PlaybackPolicy *policy() const { return m_policy; }

    // False when libmpv could not be set up; play() then fails at once. Loads and creates the
    // player if no play() did yet.
    bool isAvailable() const;
    // True once the player is loaded and created (the first play() does it); it is kept.
    bool isLoaded() const { return m_mpv != nullptr; }
    // Starts loading libmpv in the background, when playing is likely soon (the pointer on a
    // Listen button...): the first play() then waits less. Nothing is created; idempotent.
    static void PreloadPlayer();

    // Stops what plays (here or in any other engine) and plays address: an http(s), mms(h),
    // rtsp... address, a local file path or file:// address, or a playlist of those.
    void play(const QString &address);
    // Stops playback, a lookup in progress and any pending reconnection; state Idle.
    void stop();

    // Holds (true) or resumes (false) what plays, at the same position; play() and stop() resume.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }

    // What the player keeps of a stream in memory (mpv's demuxer cache). Ahead of what is heard:
    // what the server sends at once (a station's burst, a few seconds) and at most
    // ReadAheadBytes. Behind it: the back buffer, bounded here. mpv's own default kept the last
    // 50 MiB, and a day of listening grew by 2.6 MB a minute until it was reached; nothing
    // plays back what was already heard, but mpv drops a stream's titles along with the
    // packets they came with when it keeps none (0), so it keeps half a megabyte (half a
    // minute at 128 kbit/s). With live pause and rewind on (setTimeShiftMinutes), the back
    // buffer also takes whatever the read-ahead leaves of one limit for both. The value applies
    // at once and is kept across play() calls.
    static constexpr qint64 DefaultBackBufferBytes = 512 * 1024;
    static constexpr qint64 ReadAheadBytes = 16 * 1024 * 1024;
    void setBackBufferBytes(qint64 bytes);
    qint64 backBufferBytes() const { return m_backBufferBytes; }

    // Live pause and rewind. With minutes > 0 (what the program does for its radios), the player
    // keeps the last minutes of a stream (and, while paused, what comes meanwhile) in its cache,
    // bounded in bytes: minutes times what a second of this stream takes there, measured as it
    // plays (timeshift::BufferBytes). Pausing then keeps receiving, Play resumes where it
    // paused, and seeks move within what is kept. 0 (the default) keeps only what
    // backBufferBytes() says. Applies at once and is kept across play() calls.
    void setTimeShiftMinutes(int minutes);
    int timeShiftMinutes() const { return m_shiftMinutes; }
    // A stream plays with its buffer on (state Playing, minutes > 0).
    bool timeShiftActive() const;
    // The buffer as last read (each second while paused or behind live, every five seconds
    // live, and at each pause and seek); the default window when inactive.
    timeshift::Window timeShiftWindow() const { return m_window; }
    // Seconds behind live (0 when inactive).
    double liveDelay() const { return timeShiftActive() ? timeshift::Delay(m_window) : 0.0; }
    // Seeks by seconds (negative: back) or to a playback time, within the buffer; a seek that
    // reaches the live point is live again. Nothing when inactive.
    void seekBy(double seconds);
    void seekTo(double position);
    // Back to live, playing (a pause ends).
    void goLive();
    // Writes what the buffer holds between two playback times to path, as it was received: the
    // packets are copied, not decoded, into the container that the file name's extension names
    // (mp3, aac, ogg...). Asynchronous; cacheDumped tells the end. False when inactive, the
    // range is empty or a dump is under way.
    bool dumpCache(double start, double end, const QString &path);
    bool isDumping() const { return !m_dumpPath.isEmpty(); }
    // The bytes a second of the current stream takes in the cache (0 until measured).
    double countedBytesPerSecond() const { return m_countedRate; }
    // The cache size now asked of the player (forward and back together while the buffer is on).
    qint64 cacheLimitBytes() const;

    // 0..100 (values outside are clamped); kept across play() calls.
    void setVolume(int volume);
    int volume() const { return m_volume; }

    State state() const { return m_state; }
    // The address given to play(), and the one mpv plays (a playlist's entry).
    QString address() const { return m_address; }
    QString currentUrl() const { return m_currentUrl; }
    // The title that the stream announces (ICY StreamTitle or the title tag); empty if none.
    QString streamTitle() const { return m_title; }
    // A French sentence for a status line: "Connexion à ...", "Lecture en cours : ...",
    // "Flux interrompu : ...", "Impossible de lire ... : connexion refusée"...
    QString statusText() const { return m_status; }
    // Playback position in seconds (mpv's time-pos); negative when nothing plays.
    double playbackTime() const;

    // Video goes into a native window (mpv's "wid"; VideoView gives one); without a window only
    // the sound is played. Call it before play(): it applies from the next play(). An engine that
    // sees its window go away stops and lets go of it.
    void setVideoWindow(QWindow *window);
    QWindow *videoWindow() const { return m_videoWindow; }

    // Video drawn by a view that owns a render context made on mpvHandle() (GlVideoView, through
    // libmpv's render API): the engine only selects that video output. Call it before play().
    void setRenderedVideo(bool on);
    bool renderedVideo() const { return m_renderedVideo; }
    mpv_handle *mpvHandle() const { return m_mpv.get(); }

    // mpv's audio output for the next play(); empty = mpv's default.
    void setAudioOutput(const QString &name);
    QString audioOutput() const { return m_audioOutput; }

    // The sound server's output that every engine of the program plays to, as mpv's audio-device
    // ("pulse/<sink>"); empty for the server's default. Applies at once to every engine (mpv
    // moves what plays) and to the engines made later.
    static void setOutputDevice(const QString &device);
    static QString outputDevice();
    // mpv's audio filter chain ("af", e.g. "lavfi=[dynaudnorm]"); empty for none. Applies at once
    // and is kept across play() calls.
    void setAudioFilter(const QString &filter);
    QString audioFilter() const { return m_audioFilter; }

    // Reconnection delays are base, 2 base, 4 base, 8 base, 16 base (tests shorten them).
    void setReconnectBaseDelayMs(int ms) { m_baseDelayMs = qMax(0, ms); }
    int reconnectBaseDelayMs() const { return m_baseDelayMs; }
    // Longest wait from play() (playlist entries included), or from one reconnection attempt,
    // until playback starts; then it counts as failed with "le serveur ne répond pas".
    // Default 30 s (mpv's own network timeout, 10 s, usually ends a dead attempt first).
    void setConnectTimeoutMs(int ms) { m_watchdog.setInterval(qMax(1, ms)); }
    int connectTimeoutMs() const { return m_watchdog.interval(); }
    // Attempts made since the stream last played.
    int reconnectAttempts() const { return m_retries; }

    // The codec and container of what plays, as libmpv names them ("mp3", "aac", "vorbis"... and
    // "mp3", "ogg", "mpegts"...); empty while nothing plays (and before the player exists).
    QString audioCodecName() const;
    QString fileFormat() const;

signals:
    void stateChanged(MediaEngine::State state);
    void statusTextChanged(const QString &text);
    void streamTitleChanged(const QString &title);
    // Emitted once when the engine gives up (state Failed), with the same French text as
    // statusText().
    void error(const QString &frenchText);
    // Emitted once the mpv handle is made (by the first play()), before anything is loaded: a
    // view that draws the picture makes its render context on it now (directly connected).
    void handleCreated();
    // Emitted just before the mpv handle is destroyed: a render context made on it must be
    // freed now (directly connected views do it in the slot).
    void handleClosing();
    // The volume changed (setVolume with a new value).
    void volumeChanged(int volume);
    // setPaused changed the pause (play() and stop() end a pause too).
    void pausedChanged(bool paused);
    // While the buffer is on: its window was read again (see timeShiftWindow).
    void timeShiftChanged();
    // A dumpCache() ended: ok when the file was written.
    void cacheDumped(const QString &path, bool ok);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct MpvDeleter {
        void operator()(mpv_handle *handle) const;
    };
    struct Candidate {
        QString address;
        int depth = 0;
        QString list; // the list from the network that named it; empty for the user's own
    };
    // One mpv playlist entry of the current attempt: the one loaded, or those mpv inserted for
    // a list it read.
    struct Entry {
        QString address;             // empty until mpv opens an inserted entry
        int depth = 0;               // lists it came through
        bool fromRemoteList = false; // inserted from a list fetched from the network
        int index = 0;               // place in that list
        bool refused = false;        // not opened: its failure text is already set
        QString list;                // fromRemoteList: the list's address
    };

    bool ensureHandle();
    // False when the hook is continued later (an address being checked).
    bool onLoadHook(uint64_t hookId);
    void drainEvents();
    void handleEvent(const mpv_event &event);
    void onResolved(const PlaylistResolver::Result &result);
    void tryNextCandidate();
    void open(const Candidate &next);
    void load(const QString &url, int depth = 0, bool direct = false);
    void onEndFile(int reason, int errorCode, bool refused);
    void scheduleReconnect();
    void reconnectNow();
    void onWatchdog();
    void halt();
    void fail(const QString &text);
    void setState(State state, const QString &status);
    void setStatus(const QString &status);
    void updateTitle();
    void requestLogLevel(const char *level);
    void dropVideoWindow();
    QString failureReason(int errorCode) const;
    QString stringProperty(const char *name) const;
    // Sets the cache's limits from the back buffer and the time-shift minutes: as options before
    // the player is initialised, as properties after.
    void applyCacheLimits(bool asOptions = false);
    // Reads the cache's state into m_window (and the stream's rate); false when it cannot.
    bool readWindow();
    void pollTimeShift();
    void seekAbsolute(double target);

    const MpvApi *m_api = nullptr;
    std::unique_ptr<mpv_handle, MpvDeleter> m_mpv;
    std::atomic_bool m_wakeupPending{false}; // set by mpv threads, cleared on the UI thread
    static void wakeup(void *self);

    PlaylistResolver m_resolver;
    QList<Candidate> m_candidates;
    quint64 m_check = 0; // the address check under way; a later attempt drops its answer
    int m_lookupDepth = 0; // depth of the address the resolver is looking at
    bool m_lookupIsFallback = false; // the resolver looks at what mpv did not recognise
    bool m_directTry = false; // mpv was handed m_directCandidate without a look at it first
    Candidate m_directCandidate;
    int m_currentDepth = 0;   // depth of m_currentUrl
    QTimer m_retryTimer;
    QTimer m_watchdog; // bounds Connecting and each reconnection attempt

    State m_state = State::Idle;
    QString m_status;
    QString m_address;
    QString m_currentUrl;
    QString m_lastFailure; // French reason of the last attempt that did not play
    QString m_lastLog;     // the last warning or error mpv logged for the current attempt
    QString m_title, m_icyTitle, m_tagTitle;
    QString m_earlyTitle; // the first ICY title, read from mpv's log before mpv shows it
    const char *m_logLevel = "";
    QString m_audioOutput;
    QString m_audioFilter;
    QPointer<QWindow> m_videoWindow; // watched for its end
    PlaybackPolicy *m_policy = nullptr;
    int m_volume = 100;
    qint64 m_backBufferBytes = DefaultBackBufferBytes;
    int m_shiftMinutes = 0;
    double m_countedRate = 0;     // bytes a second of this stream takes in the cache; 0 unknown
    qint64 m_appliedLimit = -1;   // the cache limit last given to the player
    timeshift::Window m_window;
    bool m_atLive = true;         // listening live: the lead is measured
    bool m_seeking = false;       // a seek has not yet played
    QTimer m_shiftTimer;          // reads the window while the buffer is on
    QString m_dumpPath;           // the file a dump under way writes
    bool m_renderedVideo = false;
    bool m_paused = false;
    int m_baseDelayMs = DefaultReconnectBaseDelayMs;
    int m_retries = 0;
    QHash<qint64, Entry> m_entries; // by mpv playlist entry id
    qint64 m_startingEntry = -1;    // the entry of the last start-file event
    bool m_started = false;  // mpv has started loading the current entry
    qint64 m_fileSize = -1;  // known size of the current entry (a finite file), or -1
    bool m_buffering = false;
    struct {
        bool pending = false;
        bool waited = false; // given the log a moment to tell why
        int reason = 0;
        int error = 0;
        bool refused = false;
    } m_pendingEnd; // the end of the current entry, handled after the event queue is drained
    QTimer m_lateLogTimer; // drains the queue again for log lines that come after the end
};
