#pragma once
// What the station page generator and the page editor share: a dialog that shows a station page
// as raw text (TextHTML) or plays it in a page view of its own (WebBrowser1, with an engine of
// the dialog's own).
//
// Each showing after a close is a new opening: Form_Load() runs then. Whatever the way the dialog
// closes, its page stops playing and the main window reads its station folders again, so a page
// made or deleted shows in its list at once. An information link of the page opens the
// now-playing window (modal) for its address, captioned with PreviewPageName(); the page view's
// navigation errors are dropped.
#include <QDialog>

class MainLink;
class MediaEngine;
class QPlainTextEdit;
class QPushButton;
class WebBrowser;

class PagePreviewDialog : public QDialog {
    Q_OBJECT
public:
    ~PagePreviewDialog() override;

    // The state of a fresh opening.
    virtual void Form_Load() = 0;

    QPlainTextEdit *TextHTML = nullptr;
    WebBrowser *WebBrowser1 = nullptr;

protected:
    // main: stopped before a preview plays, asked for the now-playing window, told to read the
    // station folders again when the dialog closes.
    PagePreviewDialog(MainLink &main, QWidget *parent);

    // Makes TextHTML and WebBrowser1 (in that order, where the window's layout wants them).
    void makePageViews();
    // The file name of the page shown, which captions the now-playing window.
    virtual QString PreviewPageName() const = 0;
    // A push button that is never the default one.
    QPushButton *button(const QString &caption, const QString &tip = QString());

    void showEvent(QShowEvent *e) override;
    void done(int result) override;

    MainLink &m_main;
    MediaEngine *m_engine = nullptr;

private:
    void onBeforeNavigate(const QString &url, bool &cancel);

    bool m_fresh = true; // the next showing is a new opening
};
