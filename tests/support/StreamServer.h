#pragma once
// Starts and stops one of the local test servers of tests/tools for one test program:
// streamserver.py, the local test radio (needs the lame command), by default, or another script
// that takes a folder and prints its port, such as dataserver.py or videoserver.py
// (the local TV channel, needs ffmpeg). Needs TAV_TOOLS_DIR and python3. The server lives
// as long as this object, and never longer than the test program.
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

class StreamServer {
public:
    explicit StreamServer(const char *script = "streamserver.py", QStringList extraArguments = {})
        : m_script(QString::fromLatin1(script)), m_extra(std::move(extraArguments))
    {
    }
    StreamServer(const StreamServer &) = delete;
    StreamServer &operator=(const StreamServer &) = delete;
    ~StreamServer() { stop(); }

    // Starts the server and waits for the port it prints; false (with the reason) on failure.
    bool start(QString *error = nullptr)
    {
        if (!m_dir.isValid()) {
            if (error)
                *error = QStringLiteral("no temporary folder");
            return false;
        }
        m_process.setProgram(QStringLiteral("python3"));
        m_process.setArguments(QStringList{QStringLiteral(TAV_TOOLS_DIR "/") + m_script, m_dir.path()} + m_extra);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        QByteArray line;
        while (!line.contains('\n') && m_process.waitForReadyRead(60000))
            line += m_process.readAllStandardOutput();
        m_port = line.trimmed().toInt();
        if (m_port <= 0) {
            if (error)
                *error = QString::fromLocal8Bit(m_process.readAllStandardError());
            stop();
            return false;
        }
        return true;
    }

    // Ends the server this object started, with what it started itself (its process group,
    // tests/tools/lifeline.py). A server whose test program ends without stopping it (a crash,
    // a time-out) ends by itself as soon as it sees its parent gone.
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }

    // Further arguments for the script (before start()), such as directoryserver.py's "--status 500".
    void setExtraArguments(const QStringList &arguments) { m_extra = arguments; }

    int port() const { return m_port; }
    // The folder the server was given (the data server serves its files).
    QString folder() const { return m_dir.path(); }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

    // A small GET answered in full (the server's /count), run on a local event loop.
    QByteArray get(const QString &path) const
    {
        QNetworkAccessManager network;
        QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url(path))));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->readAll();
        delete reply;
        return body;
    }

private:
    QString m_script;
    QStringList m_extra; // after the folder, e.g. {"--delay-ms", "40"}
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
