#pragma once
// The MP3 conversion window: a WAV source, an MP3 name, one of sixteen presets, and one
// conversion at a time with a drawn progress bar and percentage along the bottom edge; the
// engine's version details beside.
//
// The conversion runs on a worker thread (Mp3Conversion); progress and the outcome arrive as
// queued calls. While it runs the path fields, pickers and presets are disabled and the button
// reads "Annuler". Closing the window during a conversion cancels it and waits for the worker;
// the output name never holds a partial file. Failures are shown as French warnings carrying the
// error's number (through Prompts()), and the window returns to idle.
//
// UI thread only.
#include "ui/cProgressBar.h"
#include "cLameEncoder.h"
#include "Mp3Conversion.h"

#include <QWidget>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Mp3Encoder : public QWidget {
    Q_OBJECT
public:
    // `engineName`: the engine library to load (its base name or a path).
    explicit Mp3Encoder(QWidget *parent = nullptr, std::string engineName = "lameencshim");
    ~Mp3Encoder() override;

    // Controls reached by the tests.
    QWidget *picEncode = nullptr;
    QLabel *lblSourceFile = nullptr, *lblMp3File = nullptr, *lblEncode = nullptr, *lblPreset = nullptr;
    QLineEdit *txtSourceFile = nullptr, *txtOutputMp3File = nullptr;
    QPushButton *cmdPickSource = nullptr, *cmdPickMp3File = nullptr;
    QComboBox *cboOption = nullptr;
    QPushButton *cmdEncode = nullptr, *Command1 = nullptr;
    QWidget *picVersionInfo = nullptr;
    QLabel *lblVersionDetails = nullptr;
    QLineEdit *txtDLLMajorVersion = nullptr, *txtDLLMinorVersion = nullptr, *txtMajorVersion = nullptr,
              *txtMinorVersion = nullptr, *txtReleaseDate = nullptr, *txtHomePage = nullptr;

    void cmdPickSource_Click();
    void cmdPickMp3File_Click();
    void cmdEncode_Click();

    bool Encoding() const { return m_conversion.Running(); }
    const cLameEncoder &Encoder() const { return m_cEncoder; }
    const cProgressBar &ProgressBar() const { return m_bar; }
    // The strip along the bottom edge where the bar is drawn.
    QRect ProgressRect() const;

signals:
    // A conversion ended (after the window has returned to idle).
    void EncodingFinished(Mp3Conversion::Outcome outcome);

protected:
    void paintEvent(QPaintEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void buildControls();
    void Form_Load();
    void updateEncodeState();
    void cboOption_Click(int index);
    void onProgress(qint32 position, qint32 length, bool cancelled);
    void onFinished(Mp3Conversion::Outcome outcome, long number, const QString &description);
    void warn(const QString &text);

    cLameEncoder m_cEncoder;
    Mp3Conversion m_conversion; // after the encoder: stopped before the encoder goes
    cProgressBar m_bar;
    QString m_output; // the output path accepted by the last update of the encode state
};
