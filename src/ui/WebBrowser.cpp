#include "WebBrowser.h"

#include "common/LocalFile.h"
#include "common/TextFile.h"
#include "media/MediaEngine.h"
#include "media/PagePlayer.h"
#include "GlVideoView.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTextDocument>
#include <QUrl>

namespace {

// Station pages and what they show are small: a file larger than this is not read.
constexpr qint64 kMaxPageFileBytes = 8 * 1024 * 1024;

bool isWebAddress(const QString &href)
{
    const QString l = href.left(8).toLower();
    return l.startsWith(QStringLiteral("http://")) || l.startsWith(QStringLiteral("https://")) ||
           l.startsWith(QStringLiteral("mailto:")) || l.startsWith(QStringLiteral("ftp://"));
}

} // namespace

WebBrowser::WebBrowser(MediaEngine *engine, QWidget *parent) : QTextBrowser(parent), m_engine(engine)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
    connect(this, &QTextBrowser::anchorClicked, this, &WebBrowser::onAnchorClicked);
    connect(this, &WebBrowser::PageLeft, this, &WebBrowser::endPagePlayer);
}

void WebBrowser::startPagePlayer()
{
    if (!m_playsPages || !m_engine)
        return;
    const PagePlayer player = findPagePlayer(m_pageText);
    if (!player.isValid() || !player.autostart)
        return;
    QString address = player.address;
    // A stream named relative to the page is a file beside it.
    if (!address.contains(QStringLiteral("://")) && !address.startsWith(QLatin1Char('/'))) {
        // Whatever it is: the engine refuses what is not a regular file, with its reason.
        const QString local = QFileInfo(QFileInfo(m_location).absolutePath(), address).absoluteFilePath();
        if (QFileInfo::exists(local))
            address = local;
    }
    m_playingAddress = address;
    m_engine->play(address);
    if (m_showsVideo)
        showVideoArea(true);
}

void WebBrowser::setShowsVideo(bool on)
{
    m_showsVideo = on;
    if (on && !m_video && m_engine && GlVideoView::Available()) {
        m_video = new GlVideoView(m_engine, this);
        m_video->setAccessibleName(QStringLiteral("Image"));
        m_video->hide();
    }
    if (!on)
        showVideoArea(false);
}

void WebBrowser::showVideoArea(bool on)
{
    if (!m_video || m_video->isVisibleTo(this) == on)
        return;
    setViewportMargins(0, 0, 0, on ? VideoAreaHeight : 0);
    m_video->setVisible(on);
    m_video->setGeometry(0, height() - VideoAreaHeight, width(), VideoAreaHeight);
    emit VideoAreaShown(on);
}

void WebBrowser::resizeEvent(QResizeEvent *e)
{
    QTextBrowser::resizeEvent(e);
    if (m_video)
        m_video->setGeometry(0, height() - VideoAreaHeight, width(), VideoAreaHeight);
}

void WebBrowser::endPagePlayer()
{
    showVideoArea(false);
    if (m_playingAddress.isEmpty() || !m_engine)
        return;
    const QString ours = m_playingAddress;
    m_playingAddress.clear();
    // The engine may have been given another stream since: only end ours.
    if (m_engine->address() == ours)
        m_engine->stop();
}

void WebBrowser::Navigate(const QString &address)
{
    bool cancel = false;
    emit BeforeNavigate2(address, cancel);
    if (cancel)
        return;
    const QString path = ResolveNoCase(address);
    if (!load(path)) {
        bool cancelError = false;
        emit NavigateError(address, 404, cancelError);
        // No error page of our own either way: the current page stays.
    }
}

void WebBrowser::Stop() { emit PageLeft(); }

bool WebBrowser::load(const QString &path)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.isFile())
        return false;
    QByteArray bytes;
    if (localfile::ReadSmallFile(path, kMaxPageFileBytes, bytes) != localfile::ReadResult::Ok)
        return false;
    emit PageLeft(); // the page being replaced ends its stream
    m_location = fi.absoluteFilePath();
    m_pageText = textfile::fromUtf8OrCp1252(bytes);
    document()->clear();
    document()->setBaseUrl(QUrl::fromLocalFile(fi.absolutePath() + QLatin1Char('/')));
    setHtml(m_pageText);
    emit DocumentComplete(m_location, m_pageText);
    startPagePlayer();
    return true;
}

QVariant WebBrowser::loadResource(int type, const QUrl &name)
{
    // Only local files next to the page: style sheet and pictures. Nothing is fetched from the
    // network and nothing runs.
    QUrl url = name;
    if (url.isRelative())
        url = document()->baseUrl().resolved(name);
    if (!url.isLocalFile())
        return {};
    QString file = ResolveNoCase(url.toLocalFile());
    if ((url.hasQuery() || url.hasFragment()) && !QFileInfo::exists(file)) {
        // Pages of older versions name a logo "logo/R&B #1.jpg" unescaped: the "#" or "?" is
        // part of the file name there.
        QString whole = url.toLocalFile();
        if (url.hasQuery())
            whole += QLatin1Char('?') + url.query(QUrl::FullyDecoded);
        if (url.hasFragment())
            whole += QLatin1Char('#') + url.fragment(QUrl::FullyDecoded);
        file = ResolveNoCase(whole);
    }
    // Regular files of a sane size only: a picture named after a pipe or a device never blocks
    // the window.
    QByteArray bytes;
    if (localfile::ReadSmallFile(file, kMaxPageFileBytes, bytes) != localfile::ReadResult::Ok)
        return {};
    if (type == QTextDocument::StyleSheetResource)
        return textfile::fromUtf8OrCp1252(bytes);
    if (type == QTextDocument::ImageResource)
        return bytes;
    return QTextBrowser::loadResource(type, QUrl::fromLocalFile(file));
}

void WebBrowser::mousePressEvent(QMouseEvent *e)
{
    m_pressedAnchor = anchorAt(e->position().toPoint());
    QTextBrowser::mousePressEvent(e);
}

void WebBrowser::mouseReleaseEvent(QMouseEvent *e)
{
    const QString here = anchorAt(e->position().toPoint());
    m_clickedAnchor = (!here.isEmpty() && here == m_pressedAnchor) ? here : QString();
    QTextBrowser::mouseReleaseEvent(e);
    m_clickedAnchor.clear();
}

void WebBrowser::onAnchorClicked(const QUrl &url)
{
    // The link's text as written in the page, not the re-encoded address.
    FollowLink(!m_clickedAnchor.isEmpty() ? m_clickedAnchor : url.toString());
}

void WebBrowser::FollowLink(const QString &href)
{
    if (href.isEmpty() || href.startsWith(QLatin1Char('#')))
        return;
    bool cancel = false;
    emit BeforeNavigate2(href, cancel);
    if (cancel)
        return;
    if (isWebAddress(href)) {
        QDesktopServices::openUrl(QUrl(href, QUrl::TolerantMode));
        return;
    }
    QUrl url(href, QUrl::TolerantMode);
    QString path;
    if (url.isLocalFile())
        path = url.toLocalFile();
    else if (url.scheme().isEmpty())
        path = QFileInfo(QFileInfo(m_location).absolutePath(), href).absoluteFilePath();
    if (path.isEmpty() || !load(ResolveNoCase(path))) {
        bool cancelError = false;
        emit NavigateError(href, 404, cancelError);
    }
}
