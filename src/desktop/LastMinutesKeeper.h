#pragma once
// "Garder les 5 dernières minutes": writes the last minutes the engine's live buffer holds
// (what was heard, up to live when listening live) into the recordings folder as
// "<station> AAAA-MM-JJ HHhMM.<ext>", as the station sent them: the packets are copied into a
// file of the stream's own format, not re-encoded. The file is written under its working name
// "<name>.part.<ext>" by the player's own thread and takes its name once complete; a file that
// could not be written is removed.
//
// Thread contract: UI thread only; the engine reports the end of the write with a queued event.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

class MediaEngine;

class LastMinutesKeeper : public QObject {
    Q_OBJECT
public:
    explicit LastMinutesKeeper(MediaEngine *engine, QObject *parent = nullptr);

    // Starts writing the last `minutes` (at most what is kept) of what plays for station into
    // folder; false (with a French reason in error) when no radio plays with its buffer, the
    // buffer holds nothing yet, the folder cannot be made or a write is under way.
    bool Start(const QString &station, const QString &folder, int minutes,
               const QDateTime &now = QDateTime::currentDateTime(), QString *error = nullptr);
    bool IsWriting() const { return !m_part.isEmpty(); }

signals:
    // The write ended: the file kept (empty on failure), the seconds it holds, and on failure
    // the French reason.
    void Kept(const QString &path, double seconds, const QString &error);

private:
    void onDumped(const QString &path, bool ok);

    QPointer<MediaEngine> m_engine;
    QString m_part;  // the working name being written
    QString m_final; // the name it takes
    double m_seconds = 0;
};
