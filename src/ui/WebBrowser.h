#pragma once
// The page view of the windows that show station pages. It renders local HTML pages (with their
// style sheet and pictures resolved relative to the page) and runs no script. Every navigation,
// asked by the program or by a link clicked in the page, first raises BeforeNavigate2; a page
// that cannot be loaded raises NavigateError. Links to web sites open in the user's browser.
//
// The view plays the player objects of its pages with the engine it is given (not owned; it
// must outlive the view). Threading: UI thread only. The reference arguments of the two events must be handled by direct
// connections (the default for objects of the same thread).
#include "media/MediaEngine.h"

#include <QPointer>
#include <QTextBrowser>

class GlVideoView;

class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebBrowser(MediaEngine *engine, QWidget *parent = nullptr);
    MediaEngine *Engine() const { return m_engine; }

    // Loads and shows a local page (a full path). A page name whose letter case differs from the
    // file on disk is still found.
    void Navigate(const QString &address);
    // Ends the current page's activity (its stream); the page stays shown until the next Navigate.
    void Stop();
    // Shows or hides the view.
    void Visible(bool visible) { setVisible(visible); }
    // The page shown (a full path), or an empty text.
    QString LocationURL() const { return m_location; }
    // The raw text of the page shown.
    QString PageText() const { return m_pageText; }

    // Follows a link of the page as if the user had clicked it: href as written in the page.
    void FollowLink(const QString &href);

    // Whether showing a page starts the stream of its player object (on by default).
    void setPlaysPages(bool on) { m_playsPages = on; }
    // TV pages: while the page's player plays, its picture shows in a video area at the bottom
    // of the view (libmpv's render API); off by default, so radio pages stay as they are. Without
    // OpenGL (VideoArea() stays null) TV pages are heard only.
    void setShowsVideo(bool on);
    bool showsVideo() const { return m_showsVideo; }
    GlVideoView *VideoArea() const { return m_video; }
    static constexpr int VideoAreaHeight = 270;

    // The stream address this view started, or an empty text when its page plays nothing.
    QString PlayingAddress() const { return m_playingAddress; }

signals:
    // Raised before every navigation; setting cancel keeps the current page.
    void BeforeNavigate2(const QString &url, bool &cancel);
    // Raised when a page cannot be loaded; every user sets cancel (no error page is shown).
    void NavigateError(const QString &url, int statusCode, bool &cancel);
    // A page was loaded and shown (path and its text).
    void DocumentComplete(const QString &url, const QString &pageText);
    // Stop() was called, or the page is being replaced: whatever the page played must end.
    void PageLeft();
    // The video area was shown (a TV page plays) or hidden again.
    void VideoAreaShown(bool shown);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    QVariant loadResource(int type, const QUrl &name) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    bool load(const QString &path);
    void onAnchorClicked(const QUrl &url);
    void startPagePlayer();
    void endPagePlayer();
    void showVideoArea(bool on);

    QString m_location;
    QString m_pageText;
    QString m_pressedAnchor; // href under the mouse at the press, as written in the page
    QString m_clickedAnchor;
    QString m_playingAddress;
    bool m_playsPages = true;
    bool m_showsVideo = false;
    GlVideoView *m_video = nullptr;
    QPointer<MediaEngine> m_engine;
};

