#include "InfoRefresh.h"

#include "common/LocalFile.h"
#include "common/TextFile.h"
#include "common/NetGuard.h"

#include <QDir>

namespace nowplaying {

TrackTexts &SavedTracks()
{
    static TrackTexts texts;
    return texts;
}

QString CoverFileName(int entry) { return QStringLiteral("Info%1.jpg").arg(entry); }

QString WriteFailedText(const QString &folder)
{
    return QStringLiteral("Les informations du titre en cours n'ont pas pu être enregistrées dans le dossier "
                          "« %1 ».\nLe disque est peut-être plein ou le dossier protégé en écriture.")
        .arg(QDir::toNativeSeparators(folder));
}

QString PeriodNotSavedText(const QString &settingsFile)
{
    return QStringLiteral("Le délai d'actualisation n'a pas pu être enregistré dans « %1 » : le disque est "
                          "peut-être plein ou le dossier protégé en écriture.")
        .arg(settingsFile);
}

namespace {
// The whole file as text; a missing or unreadable file, or one larger than a page, gives nothing.
QString ReadPage(const QString &path)
{
    QByteArray bytes;
    if (localfile::ReadSmallFile(path, kMaxPageBytes, bytes) != localfile::ReadResult::Ok)
        return QString();
    return textfile::fromUtf8OrCp1252(bytes);
}

// An address found in the station's pages that leads away from the servers the user set (the
// information address and the cover base): it is fetched only from a public address.
bool NamedElsewhere(const QString &address, const QString &infoAddress, const QString &coverBase)
{
    const QUrl url(address);
    return !net::SameOrigin(url, QUrl(infoAddress)) && !net::SameOrigin(url, QUrl(coverBase));
}
} // namespace

InfoRefresh::InfoRefresh(QNetworkAccessManager *network, TrackTexts &texts, QObject *parent)
    : QObject(parent), m_texts(texts), m_download(network)
{
    connect(&m_download, &DownloadToFile::finished, this, &InfoRefresh::onDownloaded);
}

QString InfoRefresh::file(const QString &name) const { return QDir(m_folder).filePath(name); }

bool InfoRefresh::Start(const QString &infoAddress, const QString &folder, const QString &coverBase)
{
    if (IsRunning())
        return false;
    m_infoAddress = infoAddress;
    m_folder = folder;
    m_coverBase = coverBase;
    m_stage = Stage::Redirection;
    m_writeFailed = false;
    m_download.setMaxBytes(kMaxPageBytes);
    m_download.start(m_infoAddress, file(RedirectionFileName()));
    return true;
}

void InfoRefresh::onDownloaded(bool ok)
{
    switch (m_stage) {
    case Stage::Idle:
        return;
    default:
        break;
    }
    m_writeFailed = m_writeFailed || m_download.writeFailed();
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::Redirection: {
        if (!ok || m_infoAddress.isEmpty()) {
            end(false);
            return;
        }
        const QString target = RedirectionTarget(ReadPage(file(RedirectionFileName())));
        m_stage = Stage::Data;
        const QString second = SecondAddress(m_infoAddress, target);
        m_download.start(second, file(DataFileName()), NamedElsewhere(second, m_infoAddress, m_coverBase));
        return;
    }
    case Stage::Data:
        // Whether the data page came or not, what the file holds is read: a missing page leaves
        // every value as it was.
        ReadDataPage(ReadPage(file(DataFileName())), m_texts, m_covers);
        m_stage = Stage::Cover;
        m_entry = 0;
        nextCover();
        return;
    case Stage::Cover:
        nextCover();
        return;
    }
}

void InfoRefresh::nextCover()
{
    while (++m_entry <= kSlots) {
        const QString &label = m_covers.at(m_entry);
        if (label.isEmpty())
            continue;
        m_download.setMaxBytes(kMaxCoverBytes);
        const QString cover = CoverAddress(m_coverBase, label);
        m_download.start(cover, file(CoverFileName(m_entry)), NamedElsewhere(cover, m_infoAddress, m_coverBase));
        return;
    }
    end(true);
}

void InfoRefresh::end(bool show)
{
    m_stage = Stage::Idle;
    m_infoAddress.clear();
    emit finished(show);
}

} // namespace nowplaying
