#pragma once
// The all-in-one bar's content: the five capture modes, the delay before a capture and a close
// button in one row, and under them, while "Record" is selected, the recording options with
// "Start Recording". Whether the options show and whether to record the full screen live as long
// as the view; the delay is a setting.

#include <vector>

#include <QRegion>
#include <QWidget>

#include "app/ui/AllInOneActions.h"

class AppSettings;
class ModeButton;
class QAbstractButton;
class QCheckBox;
class QMenu;
class QPushButton;

class AllInOneBarView : public QWidget {
    Q_OBJECT

public:
    explicit AllInOneBarView(AppSettings& settings, QWidget* parent = nullptr);

    // What the user asks for.
    const AllInOneActions& actions() const { return actions_; }

    bool showsRecordingOptions() const { return showsRecordingOptions_; }
    void setShowsRecordingOptions(bool shows);
    bool recordsFullscreen() const { return recordsFullscreen_; }

    const std::vector<ModeButton*>& modeButtons() const { return modeButtons_; }
    QAbstractButton* closeButton() const { return closeButton_; }
    QWidget* recordingOptions() const { return options_; }
    QAbstractButton* areaSegment() const { return areaSegment_; }
    QAbstractButton* fullscreenSegment() const { return fullscreenSegment_; }
    QCheckBox* microphoneToggle() const { return microphone_; }
    QCheckBox* systemAudioToggle() const { return systemAudio_; }
    QPushButton* startRecordingButton() const { return start_; }
    ModeButton* delayButton() const { return delayButton_; }
    QMenu* delayMenu() const { return delayMenu_; }

    // What the delay menu offers, in seconds.
    static constexpr int delayChoices[] = {0, 3, 5, 10};

    // The rounded box of a bar of that size, as a window shape for desktops without translucency.
    static QRegion drawnShape(const QSize& size);

    static constexpr int padding = 12;
    static constexpr int rowSpacing = 10;
    static constexpr int modeSpacing = 4;
    static constexpr int optionSpacing = 14;
    static constexpr int dividerHeight = 36;
    static constexpr int dividerMargin = 4;
    static constexpr int pickerWidth = 170;
    static constexpr double cornerRadius = 14;

signals:
    // The fitting size changed: the options row came or went.
    void fittingSizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeModeRow();
    QWidget* makeOptionsRow();
    ModeButton* makeDelayButton(QWidget* row);

    AppSettings& settings_;
    AllInOneActions actions_;
    bool showsRecordingOptions_ = false;
    bool recordsFullscreen_ = false;
    std::vector<ModeButton*> modeButtons_;
    ModeButton* recordButton_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
    QWidget* options_ = nullptr;
    QAbstractButton* areaSegment_ = nullptr;
    QAbstractButton* fullscreenSegment_ = nullptr;
    QCheckBox* microphone_ = nullptr;
    QCheckBox* systemAudio_ = nullptr;
    QPushButton* start_ = nullptr;
    ModeButton* delayButton_ = nullptr;
    QMenu* delayMenu_ = nullptr;
};
