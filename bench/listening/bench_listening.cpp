// Listening all day: the real program (build/bin/tavilune under a private Xvfb, started by MPRIS
// Play on a private session bus) beside gst-play-1.0, both playing the same mount of a private
// Icecast2 server (run as "nobody" on a free loopback port, sourced by ffmpeg: a 440 Hz tone as
// MP3 128 kbit/s, with an ICY title set through the server's admin page). Sound is timed on the
// monitor of the session's null sink.
//
// Figures, each beside the reference measured in the same run:
//   own share of the time to first sound: first sound after Play minus the server's own burst
//     time (a plain socket GET of the mount, timed to its first 16 KiB, a second before the player starts),
//     median over fresh starts (cold) and over a second Listen in the same process (warm);
//   title delay: the stream title on MPRIS after the first sound (the program only);
//   CPU seconds per minute of playing, resident memory after 60 s, and its growth from minute 1
//     to the end, both players playing side by side for N minutes.
//
//   build/bench/bench_listening              2 minutes of playing (growth over minute 1 → 2)
//   build/bench/bench_listening --minutes=11 the full run: growth from minute 1 to minute 11
//   --buffer-minutes=N                     the live buffer of "Listening/playing_buffer" (default
//                                          30, the program's own): memory grows while it fills,
//                                          then stays flat ("Listening/playing" runs without it)
//   TAV_LISTEN_RUNS=5                      fresh starts for the first-sound figures (default 5)
//   TAV_LISTEN_BIN=/other/build/bin        the program of another build (before and after)
#include <QByteArray>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <pulse/simple.h>
#include <thread>
#include <vector>

namespace {

constexpr const char *kMount = "/radio.mp3";
constexpr const char *kArtist = "Banc";
constexpr const char *kTitle = "Essai 1";
constexpr const char *kService = "org.mpris.MediaPlayer2.tavilune";

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs the event loop until done() holds or `ms` pass; false on timeout.
template <class Done> bool runUntil(int ms, Done done)
{
    const double end = nowMs() + ms;
    while (!done()) {
        if (nowMs() > end)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void sleepEvents(int ms)
{
    runUntil(ms, [] { return false; });
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The null sink's monitor, read in 10 ms pieces on a thread of its own: the times at which sound
// starts (a loud sample after at least 200 ms of quiet).
class SoundMonitor {
public:
    bool start()
    {
        pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = kFrames * 4;
        int error = 0;
        m_pa = pa_simple_new(nullptr, "bench_listening", PA_STREAM_RECORD, "tavnull.monitor", "monitor", &format,
                             nullptr, &attr, &error);
        if (!m_pa)
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }
    ~SoundMonitor()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_pa)
            pa_simple_free(m_pa);
    }
    // The first start of sound at or after `since`; -1 when none yet.
    double onsetAfter(double since)
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        for (double t : m_onsets)
            if (t >= since)
                return t;
        return -1;
    }
    double lastLoud() const { return m_lastLoud.load(); }
    // Waits until nothing has sounded for 300 ms.
    bool waitQuiet(int ms)
    {
        return runUntil(ms, [this] { return nowMs() - lastLoud() > 300; });
    }

private:
    static constexpr int kRate = 44100;
    static constexpr int kFrames = 441;
    static constexpr int kLoud = 300; // the tone peaks near 4096

    void run()
    {
        int16_t buffer[kFrames * 2];
        while (!m_stop) {
            int error = 0;
            if (pa_simple_read(m_pa, buffer, sizeof buffer, &error) < 0)
                return;
            const double end = nowMs();
            for (int i = 0; i < kFrames * 2; ++i) {
                if (std::abs(int(buffer[i])) < kLoud)
                    continue;
                const double t = end - double(kFrames - i / 2) * 1000.0 / kRate;
                if (t - m_lastLoud.load() > 200) {
                    const std::lock_guard<std::mutex> hold(m_lock);
                    m_onsets.push_back(t);
                }
                m_lastLoud = end;
                break;
            }
        }
    }

    pa_simple *m_pa = nullptr;
    std::thread m_thread;
    std::atomic_bool m_stop{false};
    std::atomic<double> m_lastLoud{0};
    std::mutex m_lock;
    std::vector<double> m_onsets;
};

// One raw HTTP/1.0 GET on the loopback: the time from the connect to `bodyBytes` of the body
// (ms), or -1. The answer's head goes to *head.
double timedGet(quint16 port, const QByteArray &target, qint64 bodyBytes, const QByteArray &extra = {},
                QByteArray *head = nullptr)
{
    const double t0 = nowMs();
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(3000))
        return -1;
    socket.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nIcy-MetaData: 1\r\n" + extra + "\r\n");
    QByteArray data;
    qsizetype bodyAt = -1;
    while (bodyAt < 0 || data.size() - bodyAt < bodyBytes) {
        if (!socket.waitForReadyRead(5000))
            break;
        data += socket.readAll();
        if (bodyAt < 0 && data.contains("\r\n\r\n"))
            bodyAt = data.indexOf("\r\n\r\n") + 4;
    }
    const double t = nowMs() - t0;
    if (head)
        *head = data.left(bodyAt < 0 ? data.size() : bodyAt);
    socket.abort();
    return bodyAt >= 0 && data.size() - bodyAt >= bodyBytes && data.startsWith("HTTP/1.0 200") ? t : -1;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// User + system CPU time of a process, seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of the file (utime, stime) are 11 and 12 after the name.
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

void endProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// The services of the run: the tests' session (Xvfb, PulseAudio with its null sink, a session
// bus), Icecast2 and its ffmpeg source. Everything ends with the object.
class Stage {
public:
    ~Stage()
    {
        endProcess(m_source);
        endProcess(m_icecast);
        if (m_sessionStarted)
            QProcess::execute(QStringLiteral(TAV_SESSION_SCRIPTS "/stop.sh"), {m_dir.filePath(QStringLiteral("session"))});
    }

    bool start(QString *error)
    {
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther);
        const QString session = m_dir.filePath(QStringLiteral("session"));
        if (QProcess::execute(QStringLiteral(TAV_SESSION_SCRIPTS "/start.sh"), {session}) != 0) {
            *error = QStringLiteral("the test session did not start");
            return false;
        }
        m_sessionStarted = true;
        QFile env(session + QStringLiteral("/env"));
        if (!env.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("no session environment");
            return false;
        }
        for (const QByteArray &line : env.readAll().split('\n')) {
            const QByteArray assignment = line.mid(7); // after "export "
            const qsizetype eq = assignment.indexOf('=');
            if (eq > 0)
                m_env.insert(QString::fromLatin1(assignment.left(eq)), QString::fromLatin1(assignment.mid(eq + 1)));
        }
        qputenv("PULSE_SERVER", m_env.value(QStringLiteral("PULSE_SERVER")).toLatin1());
        return startIcecast(error) && startSource(error) && setTitle(error);
    }

    quint16 port() const { return m_port; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(QLatin1String(kMount)); }
    QString env(const QString &name) const { return m_env.value(name); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    bool startIcecast(QString *error)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("icecast2")).isEmpty()) {
            *error = QStringLiteral("icecast2 is not installed (package icecast2)");
            return false;
        }
        m_port = freePort();
        const QString log = m_dir.filePath(QStringLiteral("icecast-log"));
        QDir().mkpath(log);
        QFile::setPermissions(log, QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther
                                       | QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // As root, Icecast refuses to run unless it changes to another user.
        const QString owner = geteuid() == 0
                                  ? QStringLiteral("<security><chroot>0</chroot><changeowner><user>nobody</user>"
                                                   "<group>nogroup</group></changeowner></security>")
                                  : QString();
        const QString config = QStringLiteral(
            "<icecast><location>loopback</location><admin>bench@localhost</admin>"
            "<limits><clients>20</clients><sources>2</sources></limits>"
            "<authentication><source-password>pw</source-password><admin-user>admin</admin-user>"
            "<admin-password>pw</admin-password></authentication><hostname>127.0.0.1</hostname>"
            "<listen-socket><port>%1</port><bind-address>127.0.0.1</bind-address></listen-socket>"
            "<paths><basedir>/usr/share/icecast2</basedir><logdir>%2</logdir>"
            "<webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>"
            "<logging><loglevel>2</loglevel></logging>%3</icecast>\n").arg(m_port).arg(log, owner);
        QFile file(m_dir.filePath(QStringLiteral("icecast.xml")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
            *error = QStringLiteral("icecast.xml not written");
            return false;
        }
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        m_icecast.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_icecast.setStandardOutputFile(QProcess::nullDevice());
        m_icecast.start(QStringLiteral("icecast2"), {QStringLiteral("-c"), file.fileName()});
        const bool up = runUntil(10000, [this] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
            return probe.waitForConnected(200);
        });
        if (!up)
            *error = QStringLiteral("icecast2 did not start");
        return up;
    }

    bool startSource(QString *error)
    {
        m_source.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_source.setStandardOutputFile(QProcess::nullDevice());
        m_source.start(QStringLiteral("ffmpeg"),
                       {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                        QStringLiteral("-nostdin"), QStringLiteral("-re"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                        QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100"),
                        QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                        QStringLiteral("-b:a"), QStringLiteral("128k"), QStringLiteral("-content_type"),
                        QStringLiteral("audio/mpeg"), QStringLiteral("-f"), QStringLiteral("mp3"),
                        QStringLiteral("icecast://source:pw@127.0.0.1:%1%2").arg(m_port).arg(QLatin1String(kMount))});
        // The mount answers once the source is connected; the burst fills in the first seconds.
        const bool up = runUntil(10000, [this] { return timedGet(m_port, kMount, 1) >= 0; });
        if (!up)
            *error = QStringLiteral("the ffmpeg source did not reach icecast2");
        else
            sleepEvents(5000); // a full burst for the first listener, as on a station on the air
        return up;
    }

    bool setTitle(QString *error)
    {
        const QByteArray song = QUrl::toPercentEncoding(QStringLiteral("%1 - %2").arg(QLatin1String(kArtist),
                                                                                     QString::fromUtf8(kTitle)));
        QByteArray head;
        const QByteArray target = QByteArray("/admin/metadata?mount=") + kMount + "&mode=updinfo&charset=UTF-8&song=" + song;
        timedGet(m_port, target, 0, "Authorization: Basic " + QByteArray("admin:pw").toBase64() + "\r\n", &head);
        if (!head.contains(" 200 ")) {
            *error = QStringLiteral("the title was not set: %1").arg(QString::fromLatin1(head));
            return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    bool m_sessionStarted = false;
    QHash<QString, QString> m_env;
    quint16 m_port = 0;
    QProcess m_icecast;
    QProcess m_source;
};

Stage *g_stage = nullptr;
SoundMonitor *g_monitor = nullptr;
int g_minutes = 2;
int g_bufferMinutes = 30;

// The program in a folder and home of its own, its last station the local mount, driven through
// MPRIS on the session bus.
class Program : public QObject {
    Q_OBJECT
public:
    // bufferMinutes: the live buffer's minutes ("DureeDiffere"; 0 turns it off). Each value gets
    // a program folder and home of its own.
    explicit Program(int bufferMinutes = 0)
        : m_prog(g_stage->path(bufferMinutes ? QStringLiteral("prog-buffer") : QStringLiteral("prog"))),
          m_home(g_stage->path(bufferMinutes ? QStringLiteral("home-buffer") : QStringLiteral("home")))
    {
        const QString &prog = m_prog;
        const QString &home = m_home;
        if (QDir(prog).exists()) { // made by an earlier start
            m_ready = true;
            return;
        }
        for (const QString &folder : {prog + QStringLiteral("/Radios"), prog + QStringLiteral("/TV"),
                                      home + QStringLiteral("/config/Tavilune"), home + QStringLiteral("/runtime")})
            QDir().mkpath(folder);
        QFile::setPermissions(home + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QDir bin(qEnvironmentVariableIsEmpty("TAV_LISTEN_BIN") ? QStringLiteral(TAV_BIN_DIR)
                                                                      : qEnvironmentVariable("TAV_LISTEN_BIN"));
        for (const QString &name : bin.entryList({QStringLiteral("tavilune"), QStringLiteral("libnimbrel.so*"),
                                                  QStringLiteral("libtavilune_mpv.so"), QStringLiteral("Intro.htm"),
                                                  QStringLiteral("AutresTV.TV")}, QDir::Files))
            QFile::copy(bin.filePath(name), prog + u'/' + name);
        QFile page(prog + QStringLiteral("/Radios/BANC.HTM"));
        page.open(QIODevice::WriteOnly);
        page.write(QStringLiteral("<HTML><BODY><font name=\"titre\">BANC</font><object id=\"NSPlay\" "
                                  "classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><param name=\"Filename\" "
                                  "value=\"%1\"></object></BODY></HTML>").arg(g_stage->url()).toLatin1());
        QFile conf(home + QStringLiteral("/config/Tavilune/Tavilune.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("[Settings]\nDossierRadio=%1/Radios\nDossierTV=%1/TV\nDerRadio=1\nNomDerRadio=BANC\n"
                                  "DureeDiffere=%2\n")
                       .arg(prog)
                       .arg(bufferMinutes)
                       .toUtf8());
        m_ready = QFile::exists(prog + QStringLiteral("/tavilune"));
    }
    ~Program() override { endProcess(m_process); }

    // Starts the program and waits for its MPRIS service.
    bool start()
    {
        if (!m_ready)
            return false;
        const QString &home = m_home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("DISPLAY"), g_stage->env(QStringLiteral("DISPLAY")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), g_stage->env(QStringLiteral("TAV_SESSION_BUS")));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(m_prog + QStringLiteral("/tavilune"), {});
        if (!m_process.waitForStarted(5000))
            return false;
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            g_stage->env(QStringLiteral("TAV_SESSION_BUS")), QStringLiteral("bench%1").arg(++s_connections)));
        m_bus->connect(QString(), QStringLiteral("/org/mpris/MediaPlayer2"),
                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), this,
                       SLOT(onChanged(QString, QVariantMap, QStringList)));
        return runUntil(15000, [this] { return m_bus->interface()->isServiceRegistered(QLatin1String(kService)); });
    }
    void stop() { endProcess(m_process); }
    qint64 pid() const { return m_process.processId(); }

    // Calls Play (or Stop); returns the time it was sent.
    double call(const char *method)
    {
        m_titleAt = -1;
        const double t = nowMs();
        m_bus->asyncCall(QDBusMessage::createMethodCall(QLatin1String(kService), QStringLiteral("/org/mpris/MediaPlayer2"),
                                                        QStringLiteral("org.mpris.MediaPlayer2.Player"),
                                                        QLatin1String(method)));
        return t;
    }
    double titleAt() const { return m_titleAt; }

private slots:
    void onChanged(const QString &, const QVariantMap &changed, const QStringList &)
    {
        const QVariant value = changed.value(QStringLiteral("Metadata"));
        if (!value.isValid() || m_titleAt >= 0)
            return;
        QVariantMap metadata;
        value.value<QDBusArgument>() >> metadata;
        if (metadata.value(QStringLiteral("xesam:title")).toString() == QString::fromUtf8(kTitle))
            m_titleAt = nowMs();
    }

private:
    static inline int s_connections = 0;
    QString m_prog, m_home;
    bool m_ready = false;
    QProcess m_process;
    std::unique_ptr<QDBusConnection> m_bus;
    double m_titleAt = -1;
};

// gst-play-1.0 on the mount, on the session's sound server.
class Reference {
public:
    ~Reference() { endProcess(m_process); }
    // Starts it; returns the time it was started.
    double start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        const double t = nowMs();
        m_process.start(QStringLiteral("gst-play-1.0"), {QStringLiteral("--no-interactive"), QStringLiteral("-q"), g_stage->url()});
        return t;
    }
    void stop() { endProcess(m_process); }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

// The time from `since` to the first sound, ms; -1 if none within 10 s.
double soundAfter(double since)
{
    double onset = -1;
    runUntil(10000, [&] { return (onset = g_monitor->onsetAfter(since)) >= 0; });
    return onset < 0 ? -1 : onset - since;
}

// The server's own time to hand a listener its burst. Icecast serves a listener that connects
// right as another one leaves about 50 ms later than one that comes after a pause (a plain
// socket GET right after another takes 350 ms instead of 300), and gst-play-1.0, whose process
// starts first, never connects that soon: both players wait the same second after this GET, so
// that neither is charged the server's delay.
double burstMs()
{
    const double ms = timedGet(g_stage->port(), kMount, 16384);
    sleepEvents(1000);
    return ms;
}

struct FirstSound {
    std::vector<double> coldShare, warmShare, title, burst;
};
FirstSound g_ours, g_gst;


// One Listen of the running program: its own share of the first sound and the title's delay.
bool programListen(Program &program, std::vector<double> &share)
{
    g_monitor->waitQuiet(5000);
    const double burst = burstMs();
    const double sent = program.call("Play");
    const double sound = soundAfter(sent);
    if (sound < 0 || burst < 0)
        return false;
    share.push_back(sound - burst);
    g_ours.burst.push_back(burst);
    if (runUntil(5000, [&] { return program.titleAt() >= 0; }))
        g_ours.title.push_back(program.titleAt() - (sent + sound));
    program.call("Stop");
    return true;
}

// One fresh start of gst-play-1.0: its own share of the first sound.
bool referenceListen(std::vector<double> &share)
{
    g_monitor->waitQuiet(5000);
    const double burst = burstMs();
    Reference reference;
    const double sound = soundAfter(reference.start());
    reference.stop();
    if (sound < 0 || burst < 0)
        return false;
    share.push_back(sound - burst);
    g_gst.burst.push_back(burst);
    return true;
}

// Each iteration: the program started afresh, a first Listen (cold) and a second one in the
// same process (warm); gst-play-1.0 started twice (its second start finds the caches warm).
// The order of the two players alternates.
void BM_FirstSound(benchmark::State &state)
{
    int n = 0;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + n) % 2 == 0) {
                Program program;
                if (!program.start()) {
                    state.SkipWithError("the program did not start");
                    return;
                }
                sleepEvents(1500); // the window is up and idle, as when a user presses Play
                if (!programListen(program, g_ours.coldShare) || !programListen(program, g_ours.warmShare)) {
                    state.SkipWithError("no sound from the program");
                    return;
                }
            } else if (!referenceListen(g_gst.coldShare) || !referenceListen(g_gst.warmShare)) {
                state.SkipWithError("no sound from gst-play-1.0");
                return;
            }
        }
        ++n;
    }
    state.counters["ours_cold_ms"] = median(g_ours.coldShare);
    state.counters["ours_warm_ms"] = median(g_ours.warmShare);
    state.counters["gst_cold_ms"] = median(g_gst.coldShare);
    state.counters["gst_warm_ms"] = median(g_gst.warmShare);
    state.counters["burst_ms"] = median(g_ours.burst);
    state.counters["title_after_sound_ms"] = median(g_ours.title);
}

struct Playing {
    double oursCpuPerMin = -1, gstCpuPerMin = -1;
    double oursRss60 = -1, gstRss60 = -1, oursRssEnd = -1, gstRssEnd = -1;
    std::vector<double> oursRss, gstRss; // each minute, MB
};
Playing g_playing, g_buffered;

// Both players side by side for g_minutes minutes; the program with a live buffer of
// bufferMinutes minutes (0: none).
void BM_Playing(benchmark::State &state, int bufferMinutes)
{
    Playing &result = bufferMinutes ? g_buffered : g_playing;
    for (auto _ : state) {
        Program program(bufferMinutes);
        Reference reference;
        if (!program.start()) {
            state.SkipWithError("the program did not start");
            return;
        }
        sleepEvents(1500);
        const double sent = program.call("Play");
        if (soundAfter(sent) < 0) {
            state.SkipWithError("no sound from the program");
            return;
        }
        reference.start();
        sleepEvents(5000); // both started and settled
        const double oursCpu0 = cpuSeconds(program.pid()), gstCpu0 = cpuSeconds(reference.pid());
        const double t0 = nowMs();
        for (int minute = 1; minute <= g_minutes; ++minute) {
            sleepEvents(int(t0 + minute * 60000.0 - nowMs()));
            result.oursRss.push_back(residentKb(program.pid()) / 1024.0);
            result.gstRss.push_back(residentKb(reference.pid()) / 1024.0);
            std::fprintf(stderr, "minute %d: program %.1f MB, gst-play-1.0 %.1f MB\n", minute,
                         result.oursRss.back(), result.gstRss.back());
        }
        const double minutes = (nowMs() - t0) / 60000.0;
        result.oursCpuPerMin = (cpuSeconds(program.pid()) - oursCpu0) / minutes;
        result.gstCpuPerMin = (cpuSeconds(reference.pid()) - gstCpu0) / minutes;
        program.stop();
        reference.stop();
    }
    state.counters["ours_cpu_s_per_min"] = result.oursCpuPerMin;
    state.counters["gst_cpu_s_per_min"] = result.gstCpuPerMin;
    state.counters["ours_rss_60s_mb"] = result.oursRss.front();
    state.counters["gst_rss_60s_mb"] = result.gstRss.front();
    state.counters["ours_growth_mb"] = result.oursRss.back() - result.oursRss.front();
    state.counters["gst_growth_mb"] = result.gstRss.back() - result.gstRss.front();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (qstrncmp(argv[i], "--minutes=", 10) == 0)
            g_minutes = std::max(1, std::atoi(argv[i] + 10));
        else if (qstrncmp(argv[i], "--buffer-minutes=", 17) == 0)
            g_bufferMinutes = std::max(1, std::atoi(argv[i] + 17));
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    for (const char *tool : {"icecast2", "ffmpeg", "gst-play-1.0", "Xvfb", "pulseaudio", "dbus-daemon"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            std::fprintf(stderr, "bench_listening: %s is not installed\n", tool);
            return 1;
        }
    Stage stage;
    QString error;
    if (!stage.start(&error)) {
        std::fprintf(stderr, "bench_listening: %s\n", qPrintable(error));
        return 1;
    }
    SoundMonitor monitor;
    if (!monitor.start()) {
        std::fprintf(stderr, "bench_listening: the null sink's monitor cannot be read\n");
        return 1;
    }
    g_stage = &stage;
    g_monitor = &monitor;
    const int runs = qEnvironmentVariableIntValue("TAV_LISTEN_RUNS") > 0 ? qEnvironmentVariableIntValue("TAV_LISTEN_RUNS") : 5;
    benchmark::RegisterBenchmark("Listening/first_sound", BM_FirstSound)->Iterations(runs)->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("Listening/playing", BM_Playing, 0)->Iterations(1)->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("Listening/playing_buffer", BM_Playing, g_bufferMinutes)->Iterations(1)->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("burst (server alone, first 16 KiB): median %.0f ms\n", median(g_ours.burst));
    std::printf("own share of first sound, cold: program %.0f ms, gst-play-1.0 %.0f ms, ratio=%.2f\n",
                median(g_ours.coldShare), median(g_gst.coldShare), ratio(median(g_ours.coldShare), median(g_gst.coldShare)));
    std::printf("own share of first sound, warm: program %.0f ms, gst-play-1.0 %.0f ms, ratio=%.2f\n",
                median(g_ours.warmShare), median(g_gst.warmShare), ratio(median(g_ours.warmShare), median(g_gst.warmShare)));
    std::printf("title on MPRIS after first sound: program median %.0f ms (%zu of %zu Listens)\n", median(g_ours.title),
                g_ours.title.size(), g_ours.coldShare.size() + g_ours.warmShare.size());
    if (!g_playing.oursRss.empty()) {
        std::printf("CPU per minute of playing: program %.2f s, gst-play-1.0 %.2f s, ratio=%.2f\n", g_playing.oursCpuPerMin,
                    g_playing.gstCpuPerMin, ratio(g_playing.oursCpuPerMin, g_playing.gstCpuPerMin));
        std::printf("resident after 60 s: program %.1f MB, gst-play-1.0 %.1f MB, ratio=%.2f\n", g_playing.oursRss.front(),
                    g_playing.gstRss.front(), ratio(g_playing.oursRss.front(), g_playing.gstRss.front()));
        std::printf("growth minute 1 -> %d: program %+.1f MB, gst-play-1.0 %+.1f MB\n", int(g_playing.oursRss.size()),
                    g_playing.oursRss.back() - g_playing.oursRss.front(), g_playing.gstRss.back() - g_playing.gstRss.front());
    }
    if (!g_buffered.oursRss.empty()) {
        // The buffer fills for its minutes, then what it holds is replaced as it comes.
        const std::vector<double> &rss = g_buffered.oursRss;
        const size_t full = std::min(rss.size(), size_t(g_bufferMinutes) + 1); // minute index once full
        std::printf("with a %d-minute live buffer: program %.1f MB at minute 1, %+.1f MB while it fills (to minute "
                    "%zu), %+.1f MB after (to minute %zu); gst-play-1.0 %+.1f MB\n",
                    g_bufferMinutes, rss.front(), rss[full - 1] - rss.front(), full, rss.back() - rss[full - 1],
                    rss.size(), g_buffered.gstRss.back() - g_buffered.gstRss.front());
    }
    return 0;
}

#include "bench_listening.moc"
