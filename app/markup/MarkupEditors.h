#pragma once
// Opens markup editors: for a thumbnail's capture, or for any PNG or JPEG file (glimpo --edit).
// One editor per file: asking again brings the open one to the front. A picture that cannot be
// opened is reported with a sentence for the user.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>

#include "app/base/Log.h"
#include "app/capture/CapturedImage.h"
#include "app/markup/MarkupWindow.h"
#include "app/storage/Capture.h"

class CaptureLibrary;
class SettingsStore;
class TextRecognitionService;

class MarkupEditors : public QObject {
    Q_OBJECT

public:
    MarkupEditors(CaptureLibrary& library, SettingsStore& store, TextRecognitionService& recognizer,
                  QObject* parent = nullptr);
    // Closes the editors still open, without asking.
    ~MarkupEditors() override;

    // The editor of the file, shown and in front; null when the file is no picture it can open.
    // A capture whose pixels are still in memory opens with them: the file is not read.
    MarkupWindow* open(const std::filesystem::path& file, const CapturedImage& picture = {});

    // Why the file cannot be edited, as a sentence; nothing when it can.
    static std::optional<std::string> refusal(const std::filesystem::path& file);
    // The picture of a PNG or JPEG file with its pixels per point; throws kit::Error.
    static MarkupWindow::Picture load(const std::filesystem::path& file);

signals:
    // A file could not be opened; `message` is a full sentence.
    void failed(const std::string& message);

private:
    CaptureLibrary& library_;
    SettingsStore& store_;
    TextRecognitionService& recognizer_;
    std::map<std::filesystem::path, QPointer<MarkupWindow>> windows_;
    Logger log_{"markup"};
};
