#pragma once
// The now-playing refresh without its window: downloads the redirection page to "info.html",
// the data page to "info2.html" and the covers of the five entries to "Info1.jpg"..."Info5.jpg"
// in a folder, and reads the data page into the track texts and cover labels. One refresh at a
// time: Start() refuses while one runs, so the shared files and texts stay consistent.
//
// The refresh stops after the first download when it failed or the information address is
// empty (finished(false): the display stays as it was); otherwise every later step runs whatever
// the earlier ones gave, and finished(true) asks the window to show the slot on display.
#include "DataPage.h"
#include "DownloadToFile.h"

#include <QObject>
#include <QString>

class QNetworkAccessManager;

namespace nowplaying {

// The track texts of the program: they outlive the window and keep their values between
// refreshes and between openings of the window.
TrackTexts &SavedTracks();

// Names of the local files, in the folder given to Start().
QString CoverFileName(int entry); // "Info1.jpg" ... "Info5.jpg"
inline QString RedirectionFileName() { return QStringLiteral("info.html"); }
inline QString DataFileName() { return QStringLiteral("info2.html"); }
// The message shown when the files of a refresh could not be written into folder.
QString WriteFailedText(const QString &folder);
// The message when the refresh period could not be saved in the settings file.
QString PeriodNotSavedText(const QString &settingsFile);

class InfoRefresh : public QObject {
    Q_OBJECT
public:
    InfoRefresh(QNetworkAccessManager *network, TrackTexts &texts, QObject *parent = nullptr);

    // Starts a refresh; false when one is already running.
    bool Start(const QString &infoAddress, const QString &folder, const QString &coverBase);
    bool IsRunning() const { return m_stage != Stage::Idle; }
    // True when a file of the last refresh could not be written into the folder.
    bool WriteFailed() const { return m_writeFailed; }

    TrackTexts &Texts() { return m_texts; }
    CoverLabels &Covers() { return m_covers; }
    // The downloader, for its bounds.
    DownloadToFile &Downloader() { return m_download; }

signals:
    void finished(bool show);

private:
    enum class Stage { Idle, Redirection, Data, Cover };
    void onDownloaded(bool ok);
    void nextCover();
    void end(bool show);
    QString file(const QString &name) const;

    TrackTexts &m_texts;
    CoverLabels m_covers;
    DownloadToFile m_download;
    Stage m_stage = Stage::Idle;
    QString m_infoAddress;
    QString m_folder;
    QString m_coverBase;
    int m_entry = 0; // cover being fetched
    bool m_writeFailed = false;
};

} // namespace nowplaying
