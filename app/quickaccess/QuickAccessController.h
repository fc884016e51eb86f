#pragma once
// The floating thumbnails of finished captures: one panel per capture, stacked upwards from the
// lower-left corner of the display under the pointer (the stack goes elsewhere while it would
// cover what a recording shows), each with its own auto-dismiss timer, and
// the six thumbnail actions carried out against the capture library. A capture's cache file is
// deleted only when its unsaved thumbnail is closed or times out. A double-click on a picture's
// thumbnail, or Enter while the pointer is over it, opens the markup editor; the thumbnail waits
// while it is open and then shows, saves, copies and drags the edited picture. Main thread only.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include "app/base/Log.h"
#include "app/capture/DisplayLocator.h"
#include "app/platform/HotKeyBackend.h"
#include "app/quickaccess/Presenters.h"
#include "app/quickaccess/ThumbnailModel.h"
#include "app/storage/Capture.h"

class AppSettings;
class CaptureLibrary;
class FloatingPanel;
class MarkupEditors;
class QuickAccessThumbnailView;
class ThumbnailActions;

class QuickAccessController : public QObject, public CapturePresenter {
    Q_OBJECT

public:
    // The platform work the controller relies on.
    struct Platform {
        std::shared_ptr<DisplayLocator> screens;
        // A picture file as an image; nothing when it cannot be read. Runs on a worker thread.
        std::function<std::optional<QImage>(const std::filesystem::path&)> loadImage;
        // A movie's first frame. Runs on a worker thread.
        std::function<std::optional<QImage>(const std::filesystem::path&)> firstFrame;
        // Shows the file in the file manager.
        std::function<void(const std::filesystem::path&)> reveal;
        // Hears Enter while the pointer is over a thumbnail (which never has the keyboard).
        std::function<std::unique_ptr<platform::HotKeyBackend>()> makeKeys;

        // Qt's image reader, FFmpeg and the desktop's file manager over the given screens.
        static Platform standard(std::shared_ptr<DisplayLocator> screens);
    };

    // How long the copied confirmation stays before the thumbnail goes.
    static constexpr std::chrono::milliseconds copiedConfirmation{800};
    // Used when the setting holds no usable duration.
    static constexpr double fallbackSeconds = 6.0;

    // Without editors, thumbnails open none.
    QuickAccessController(CaptureLibrary& library, AppSettings& settings, Platform platform,
                          MarkupEditors* editors = nullptr, QObject* parent = nullptr);
    ~QuickAccessController() override;

    // Opens a thumbnail for the capture. A failure message is shown at once, and such a
    // thumbnail stays until the user acts on it. A picture given is kept while the thumbnail
    // lives (for the newest two): its preview and its editor start from it instead of the file.
    void show(const Capture& capture, const std::optional<std::string>& failure = std::nullopt,
              const CapturedImage& picture = {}) override;

    // The open thumbnails, oldest first.
    std::vector<QUuid> thumbnailIDs() const;
    const ThumbnailModel* thumbnailModel(const QUuid& id) const;
    FloatingPanel* thumbnailPanel(const QUuid& id) const;
    QuickAccessThumbnailView* thumbnailView(const QUuid& id) const;
    bool isDismissPending(const QUuid& id) const;
    // Whether the thumbnail's picture is open in the markup editor.
    bool isEditing(const QUuid& id) const;

private:
    struct PanelDeleter {
        void operator()(FloatingPanel* panel) const;
    };
    struct TimerDeleter {
        void operator()(QTimer* timer) const;
    };
    using PanelHandle = std::unique_ptr<FloatingPanel, PanelDeleter>;
    using TimerHandle = std::unique_ptr<QTimer, TimerDeleter>;

    struct Entry {
        std::shared_ptr<ThumbnailModel> model;
        PanelHandle panel;
        TimerHandle dismissTask;
        // A dismissal that came while the file was being dragged out waits for the drag's end;
        // the flag says whether it would also have deleted the file.
        std::optional<bool> dismissAfterDrag;
        bool editing = false;
        // The capture's pixels while they are what the file holds; a 4K picture takes longer
        // to read back than the editor may take to open.
        CapturedImage picture;
        // Pictures an edit replaced, still in the cache until the thumbnail goes.
        std::vector<Capture> replaced;
    };

    Entry* entry(const QUuid& id);
    const Entry* entry(const QUuid& id) const;
    ThumbnailModel* model(const QUuid& id);

    PanelHandle makePanel(const std::shared_ptr<ThumbnailModel>& model);
    void connectActions(const ThumbnailActions& actions, const QUuid& id);
    void layout();
    void scheduleDismiss(const QUuid& id);
    void cancelDismiss(const QUuid& id);
    void dismiss(const QUuid& id);
    void expire(const QUuid& id);
    // The picture (reduced from `picture` when given), or the movie's first frame, read on a
    // worker thread; `reveal` shows the panel once it is in (or could not be read).
    void loadPreview(const std::shared_ptr<ThumbnailModel>& model, bool reveal, const QImage& picture = {});

    void save(const QUuid& id);
    void copy(const QUuid& id);
    void showInFolder(const QUuid& id);
    void close(const QUuid& id);
    void hoverChanged(const QUuid& id, bool hovering);
    void dragEnded(const QUuid& id, bool accepted);
    void edit(const QUuid& id);
    void showEdited(const QUuid& id, const Capture& edited);
    void editingEnded(const QUuid& id);
    // Enter opens the editor of the thumbnail under the pointer.
    void armEnterKey(const std::optional<QUuid>& hovered);

    double dismissSeconds() const;

    CaptureLibrary& library_;
    AppSettings& settings_;
    Platform platform_;
    MarkupEditors* editors_;
    std::vector<Entry> entries_;
    std::unique_ptr<platform::HotKeyBackend> keys_;
    std::vector<platform::HotKeyBackend::Reference> enterKeys_;
    std::optional<QUuid> hovered_;
    Logger log_{"thumbnail"};
};
