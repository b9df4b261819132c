#pragma once
// FrmREC, "Enregistrement WAV": records a capture device's sound into a WAV file with live
// effects, and shows while it records the waveform, the spectrum, two level meters, the size of
// the file and the duration. A small player plays audio files; two buttons start the mixer.
//
// Ownership: the window owns its recording session (the recorder, the encoder and the effects
// processor are the session's), drawing object and the two smoothing rings from its start-up
// sequence (Form_Load) until it closes; closing ends a recording (the file is completed) and
// releases the session. Showing the window again runs the start-up sequence again. The window
// follows the session's states: "Stopper" while a recording starts or runs, back to "Enregistrer"
// when it ends, whether by the button, a write error or the loss of the sound.
//
// Thread contract: everything runs on the user-interface thread; captured buffers (GotData) and
// the 25 ms display timer are both dispatched by the event loop and never overlap.
#include "dsp/clsDraw.h"
#include "dsp/clsDSP.h"
#include "dsp/clsSmooth.h"
#include "EncoderWAV.h"
#include "RecordingSession.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class MediaEngine;
class WaveInRecorder;
class FrmFormatChooser;

// A widget that shows a drawing surface.
class SurfaceView : public QWidget {
public:
    SurfaceView(QSize size, std::int32_t background, QWidget *parent);
    DrawSurface &Surface() { return m_surface; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    DrawSurface m_surface;
};

// What the window gets from outside: how to make its recorder (tests hand in one over an
// in-memory sound system), the effects dialog and the format chooser. Messages and file choosers
// go through Prompts().
struct FrmRECServices {
    std::function<std::unique_ptr<WaveInRecorder>()> makeRecorder; // default: the sound server
    std::function<void(clsDSP &dsp, QWidget *owner)> openEffects;  // the effects dialog
    FormatChooser *formatChooser = nullptr;                        // default: FrmFormatChooser
    std::function<void(MediaEngine &)> preparePlayer; // tests choose the player's audio output
};

class FrmREC : public QWidget {
    Q_OBJECT
public:

    using Services = FrmRECServices;
    explicit FrmREC(Services services = Services(), QWidget *parent = nullptr);
    ~FrmREC() override;

    static constexpr int kTickMs = 25;
    static constexpr int kVolumeMaximum = 65535;

    // Controls, named as the window names them.
    QGroupBox *frmInp = nullptr, *frmOut = nullptr, *frmEffects = nullptr;
    QComboBox *cboDev = nullptr, *cboRecLine = nullptr, *cboSamplerate = nullptr;
    QSlider *sldVol = nullptr;
    QLabel *lblVolPer = nullptr;
    QLineEdit *txtFile = nullptr, *txtWAVFmt = nullptr;
    QPushButton *cmdBrowse = nullptr, *cmdSelFmt = nullptr, *cmdFXOpts = nullptr, *cmdDo = nullptr;
    QCheckBox *Check1 = nullptr, *chkStereo = nullptr;
    QCheckBox *chkFX[4] = {};
    SurfaceView *picAmpl = nullptr, *picFreq = nullptr, *picVUL = nullptr, *picVUR = nullptr;
    QStatusBar *sbar = nullptr;
    QLabel *sbarSize = nullptr, *sbarDuration = nullptr; // panels 1 and 2
    QTimer *tmrVis = nullptr;
    QLabel *Label1 = nullptr;
    QToolButton *Command1 = nullptr, *Command4 = nullptr, *Command5 = nullptr, *Command6 = nullptr,
                *Command7 = nullptr, *Command8 = nullptr, *Command9 = nullptr;

    // The start-up sequence; run by the first showing (and by each showing after a close).
    void Form_Load();
    bool IsLoaded() const { return m_loaded; }
    bool IsRecording() const;
    void cmdDo_Click();

    // For the composition root and tests.
    RecordingSession *Session() const { return m_session.get(); }
    WaveInRecorder *Recorder() const { return m_session ? &m_session->Recorder() : nullptr; }
    EncoderWAV *Encoder() const { return m_session ? &m_session->Encoder() : nullptr; }
    clsDSP *DSP() const { return m_session ? &m_session->DSP() : nullptr; }
    clsDraw *Draw() const { return m_draw.get(); }
    MediaEngine *Player();
    qint32 ElapsedMs() const { return m_session ? m_session->ElapsedMs() : 0; }
    qint32 BytesPerSecond() const { return m_session ? m_session->BytesPerSecond() : 0; }
    std::span<const qint16> ProcessedBuffer() const;
    // One display refresh, as the timer runs it.
    void tmrVis_Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void cboDev_Click();
    void cboRecLine_Click();
    void sldVol_Change();
    void rateOrStereoChanged(bool rate);
    void cmdSelFmt_Click();
    void showFormat();
    void Check1_Click();
    void cmdBrowse_Click();
    void chkFX_Click(int index);
    void Command1_Click();
    void Command7_Click();
    void sessionStateChanged(RecordingSession::State state);
    void prepareInput();
    void release();
    void warn(const QString &text);
    QString chooseFile(const QString &folder, const QString &filter, bool save);
    FormatChooser *formatChooser();

    Services m_services;
    std::unique_ptr<RecordingSession> m_session;
    std::unique_ptr<clsDraw> m_draw;
    std::unique_ptr<clsSmooth> m_smoothL, m_smoothR;
    std::unique_ptr<FrmFormatChooser> m_chooser;
    MediaEngine *m_player = nullptr;
    QString m_playerFile;

    std::vector<qint16> m_idleBuffer = std::vector<qint16>(1024, 0); // shown without a session
    bool m_loaded = false;
    bool m_needsLoad = true;
    bool m_selecting = false; // a device selection fills the line list
};
