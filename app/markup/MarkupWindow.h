#pragma once
// The markup editor: one window per picture, with the tool bar, the canvas and a line of hints.
// Every change goes through the scene's undo stack. The picture leaves only as a new file made
// from the marks burnt in: Ctrl+S saves it into the save folder under a capture's name (never over
// anything), Ctrl+C copies it, the tool bar's picture drags it out; each closes the editor and
// reports the new capture. Closing with marks that went nowhere asks "Discard changes?".

#include <memory>
#include <optional>

#include <QImage>
#include <QMainWindow>
#include <qcoro/qcorotask.h>

#include "app/base/Log.h"
#include "app/markup/MarkupChoices.h"
#include "app/markup/MarkupTool.h"
#include "app/storage/Capture.h"

class CaptureLibrary;
class HideTextOffer;
class MarkupCanvas;
class MarkupScene;
class MarkupToolBar;
class PictureDragHandle;
class QLabel;
class QPushButton;
class SettingsStore;
class TextRecognitionService;

class MarkupWindow : public QMainWindow {
    Q_OBJECT

public:
    struct Picture {
        QImage image;
        // Pixels per point.
        double density = 1;
        // Shown in the title.
        QString name;
    };

    // Replaces QDrag::exec, for tests: runs the drag of the file and says whether it was taken.
    using DragRunner = std::function<bool(const std::filesystem::path& file)>;

    MarkupWindow(Picture picture, CaptureLibrary& library, SettingsStore& store, TextRecognitionService& recognizer);
    ~MarkupWindow() override;

    MarkupScene& scene() { return *scene_; }
    MarkupCanvas& canvas() { return *canvas_; }
    MarkupToolBar& toolBar() { return *toolBar_; }
    void setDragRunner(DragRunner runner) { dragRunner_ = std::move(runner); }

    void chooseTool(MarkupTool tool);
    // The picture as it leaves, stored in the cache as a new capture; the same one again while
    // nothing changed. Nothing when it could not be written (the user has been told).
    std::optional<Capture> exportCapture();
    void save();
    void copy();
    void dragOut();
    // Reads the text on the canvas and offers boxes to hide it.
    QCoro::Task<void> hideText();

signals:
    // The picture left the editor as this capture (in the cache, or saved).
    void exported(const Capture& capture);
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildActions();
    void applyChoice(const std::function<void(MarkupItem::Style&)>& change, const QString& undoText);
    void escape();
    // The picture went out as `capture`: the marks count as kept, and the editor closes.
    void left(const Capture& capture);
    void showOfferBar(const QString& text, bool choosing);
    void endOffer();
    void updateOfferText();

    CaptureLibrary& library_;
    MarkupChoices choices_;
    TextRecognitionService& recognizer_;
    std::unique_ptr<MarkupScene> scene_;
    // Children, owned by Qt through this window.
    MarkupCanvas* canvas_;
    MarkupToolBar* toolBar_;
    PictureDragHandle* dragHandle_;
    QWidget* offerBar_;
    QLabel* offerText_;
    QPushButton* offerApply_;
    // Enter hides the chosen boxes while they are offered.
    QAction* applyOffer_ = nullptr;
    QLabel* hint_;
    QLabel* zoomText_;
    // After the scene: the offer's boxes leave the scene before it goes.
    std::unique_ptr<HideTextOffer> offer_;
    int readRun_ = 0;
    bool reading_ = false;
    // The last export and the undo step it was made at.
    std::optional<Capture> exported_;
    int exportedAt_ = -1;
    bool leaving_ = false;
    bool painted_ = false;
    DragRunner dragRunner_;
    Logger log_{"markup"};
};
