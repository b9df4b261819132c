#include "Mp3Conversion.h"

#include "common/NumberedError.h"
#include "cLameEncoder.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <chrono>
#include <cstdio>

namespace {

// Shortest time between two progress steps shown.
constexpr std::chrono::milliseconds kProgressInterval{15};

// A name that no file has, in the folder of `output`, hidden while the conversion runs: random,
// so that no one can plant a link there beforehand, and created by the encoder only if it is
// still free (never through a link).
QString temporaryNameBeside(const QString &output)
{
    const QFileInfo info(output);
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                         QStringLiteral(".XXXXXX.part"));
    probe.setAutoRemove(true);
    if (!probe.open())
        return output + QStringLiteral(".part");
    const QString name = probe.fileName();
    probe.close();
    probe.remove();
    return name;
}

} // namespace

Mp3Conversion::Mp3Conversion(cLameEncoder &encoder, QObject *parent) : QObject(parent), m_encoder(encoder) {}

Mp3Conversion::~Mp3Conversion()
{
    if (!m_thread)
        return;
    Cancel();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    QFile::remove(m_temp);
}

bool Mp3Conversion::Start(const QString &output)
{
    if (m_thread)
        return false;
    m_output = output;
    m_temp = temporaryNameBeside(output);
    m_cancel = false;
    m_cancelSeen = false;
    m_progressPending = false;
    m_progressStored = false;
    m_position = 0;
    m_length = 0;
    m_outcome = Outcome::Done;
    m_errorNumber = 0;
    m_errorDescription.clear();
    m_encoder.SetMp3File(m_temp.toStdString());
    m_thread = QThread::create([this] { run(); });
    // A late notice of an earlier worker (already joined by Wait) must not end this one.
    const quint64 generation = ++m_generation;
    connect(m_thread, &QThread::finished, this, [this, generation] {
        if (generation == m_generation)
            finish();
    }, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void Mp3Conversion::Cancel()
{
    if (m_thread)
        m_cancel = true;
}

void Mp3Conversion::Wait()
{
    if (!m_thread)
        return;
    m_thread->wait();
    finish();
}

void Mp3Conversion::run()
{
    std::chrono::steady_clock::time_point lastPost{};
    m_encoder.Progress = [this, &lastPost](int32_t position, int32_t length, bool &cancel) {
        cancel = m_cancel.load();
        if (cancel)
            m_cancelSeen = true;
        m_position = position;
        m_length = length;
        m_progressStored = true;
        // The display follows at most once a frame; the last step is delivered by finish().
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPost < kProgressInterval)
            return;
        lastPost = now;
        if (!m_progressPending.exchange(true))
            QMetaObject::invokeMethod(this, &Mp3Conversion::deliverProgress, Qt::QueuedConnection);
    };
    const std::string temp = m_temp.toStdString();
    try {
        m_encoder.Encode();
        if (!QFileInfo::exists(m_temp)) {
            m_outcome = Outcome::Cancelled; // the encoder deleted its output
        } else if (std::rename(temp.c_str(), m_output.toStdString().c_str()) != 0) {
            m_outcome = Outcome::Failed;
            m_errorNumber = 29872;
            m_errorDescription = QStringLiteral("Unable to open file for writing");
        }
    } catch (const NumberedError &e) {
        m_outcome = Outcome::Failed;
        m_errorNumber = e.Number();
        m_errorDescription = QString::fromStdString(e.Description());
    } catch (const std::exception &e) {
        m_outcome = Outcome::Failed;
        m_errorNumber = 0;
        m_errorDescription = QString::fromLocal8Bit(e.what());
    }
    if (m_outcome != Outcome::Done)
        std::remove(temp.c_str());
    m_encoder.Progress = nullptr;
}

void Mp3Conversion::deliverProgress()
{
    if (!m_progressPending.exchange(false))
        return; // already delivered
    emit Progress(m_position.load(), m_length.load(), m_cancelSeen.load());
}

void Mp3Conversion::finish()
{
    if (!m_thread)
        return; // already delivered by Wait
    m_thread->wait(); // the notice comes just before the thread ends
    delete m_thread;
    m_thread = nullptr;
    if (m_progressStored.exchange(false)) {
        m_progressPending = true; // the latest step, whether or not it was posted
        deliverProgress();
    }
    emit Finished(m_outcome, m_errorNumber, m_errorDescription);
}
