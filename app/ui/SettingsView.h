#pragma once
// The settings window's content: the general settings, one shortcut recorder per action with its
// registration failure, the warning while the desktop keeps some of the shortcuts, and the way
// back to the welcome guide. Follows the settings, the guide and the failures as they change.

#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "kit/CaptureVocabulary.h"

class AppSettings;
class QVBoxLayout;
class SetupGuide;

class SettingsView : public QWidget {
    Q_OBJECT

public:
    // The control that edits one action's shortcut in the settings (it stores the override).
    using RecorderFactory = std::function<QWidget*(kit::CaptureAction action, QWidget* parent)>;
    // The registration failures by action; a tracked read.
    using Failures = std::function<std::map<kit::CaptureAction, std::string>()>;
    // Asks for a folder starting at `start`; none when the user cancels.
    using FolderChooser =
        std::function<std::optional<std::filesystem::path>(QWidget* parent, const std::filesystem::path& start)>;

    SettingsView(AppSettings& settings, SetupGuide& guide, RecorderFactory makeRecorder, Failures failures,
                 FolderChooser chooseFolder = chooseFolderWithDialog, QWidget* parent = nullptr);

    // A directories-only file dialog that allows new folders, with the prompt "Choose".
    static std::optional<std::filesystem::path> chooseFolderWithDialog(QWidget* parent,
                                                                       const std::filesystem::path& start);

signals:
    // The user asked for the welcome guide again.
    void welcomeRequested();

private:
    // The three sections, top to bottom.
    void addGeneralSection(QVBoxLayout& column);
    void addShortcutSection(QVBoxLayout& column, RecorderFactory makeRecorder, Failures failures);
    void addWelcomeSection(QVBoxLayout& column);
    void chooseFolder();

    AppSettings& settings_;
    SetupGuide& guide_;
    FolderChooser folderChooser_;
};
