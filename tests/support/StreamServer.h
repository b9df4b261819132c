#pragma once
// Starts tests/tools/streamserver.py (a small local radio station: MP3 streams and playlists on
// 127.0.0.1) for the life of the object, and gives its address.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tavtest {

class StreamServer {
public:
    StreamServer()
    {
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start(QStringLiteral("python3"),
                     {QStringLiteral(TAV_TEST_TOOLS_DIR "/streamserver.py"), m_dir.path()});
        if (!m_proc.waitForStarted(5000))
            return;
        // The server makes its MP3 with the lame command, then prints its port.
        while (m_port == 0 && m_proc.waitForReadyRead(30000)) {
            while (m_proc.canReadLine()) {
                bool ok = false;
                const int port = QString::fromLatin1(m_proc.readLine()).trimmed().toInt(&ok);
                if (ok && port > 0)
                    m_port = port;
            }
        }
    }
    ~StreamServer()
    {
        m_proc.kill();
        m_proc.waitForFinished(3000);
    }
    StreamServer(const StreamServer &) = delete;
    StreamServer &operator=(const StreamServer &) = delete;

    bool ok() const { return m_port != 0; }
    int port() const { return m_port; }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_proc;
    int m_port = 0;
};

} // namespace tavtest
