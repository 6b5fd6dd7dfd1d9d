// SPDX-License-Identifier: MIT
#pragma once

#include "forms/ManualClock.h"
#include "forms/Picture.h"
#include "forms/Window.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtPictureDecoder.h"
#include "shell/Movelle.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace movelle {
class Form1;
}

namespace testing_support {

// Records what the program asked of the screen, so tests can see messages and shown windows.
class RecordingWindowSystem final : public forms::WindowSystem {
public:
    void showWindow(forms::Window& w) override { shown.push_back(w.name()); }
    void hideWindow(forms::Window& w) override { hidden.push_back(w.name()); }
    void messageBox(const std::string& text, const std::string& title) override { messages.push_back(title + ": " + text); }
    void reportError(const std::string& message) override { errors.push_back(message); }
    void reportDetailedError(const std::string& message, const std::string& more) override
    {
        errors.push_back(message);
        details.push_back(more);
    }
    void quit() override { quitRequested = true; }
    // Asked before unsaved work is discarded: records the question and gives the next of
    // `answers`, or Don't Save when none is left, as a program without a screen goes on.
    forms::SaveAnswer askToSave(const std::string& text, const std::string& /*title*/) override
    {
        questions.push_back(text);
        if (answers.empty())
            return forms::SaveAnswer::DontSave;
        const forms::SaveAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    // Asked for a folder: records the question and gives the next of `folders`, or nothing (a
    // cancel) when none is left.
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& /*start*/) override
    {
        folderQuestions.push_back(title);
        if (folders.empty())
            return std::nullopt;
        const std::string folder = folders.front();
        folders.erase(folders.begin());
        return folder;
    }
    // Runs the work at once, as a screen would on its own thread; with `cancelWork` set, the user
    // has pressed Cancel before the work took its first step.
    bool runWithProgress(const std::string& title, forms::Progress& progress, const std::function<void()>& work) override
    {
        progressTitles.push_back(title);
        if (cancelWork)
            progress.cancel();
        work();
        progressShown.emplace_back(progress.done(), progress.total());
        return !progress.cancelled();
    }

    std::vector<std::string> shown;
    std::vector<std::string> hidden;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    // The details of the errors that came with some.
    std::vector<std::string> details;
    bool quitRequested = false;
    std::vector<std::string> questions;
    std::vector<forms::SaveAnswer> answers;
    std::vector<std::string> folderQuestions;
    std::vector<std::string> folders;
    bool cancelWork = false;
    std::vector<std::string> progressTitles;
    // What the progress said when the work ended: done of total.
    std::vector<std::pair<int, int>> progressShown;
};

// The whole program without a display: the real picture decoder, a clock that moves only when
// the test says so.
struct Headless {
    RecordingWindowSystem screen;
    forms::ManualClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { screen, clock, decoder };
};

// A test of the program without a display, with its main window at hand.
class HeadlessTest : public ::testing::Test {
protected:
    Headless h;
    movelle::Form1& f = h.app.Form1();
};

// Whether `text` holds every one of `parts`; a failure says which is missing, and the text (its
// first 2000 characters).
inline ::testing::AssertionResult mentions(const std::string& text, const std::vector<std::string>& parts)
{
    for (const std::string& part : parts) {
        if (text.find(part) == std::string::npos)
            return ::testing::AssertionFailure() << '"' << part << "\" is not in: " << text.substr(0, 2000);
    }
    return ::testing::AssertionSuccess();
}

// Whether exactly `count` errors were reported, the last one naming every one of `parts`.
inline ::testing::AssertionResult reported(const std::vector<std::string>& errors, std::size_t count,
                                           const std::vector<std::string>& parts)
{
    if (errors.size() != count)
        return ::testing::AssertionFailure() << errors.size() << " errors reported, not " << count;
    return errors.empty() ? ::testing::AssertionSuccess() : mentions(errors.back(), parts);
}

// Types a frame count and a rate into the main window and presses "Settings finished".
void settingsFinished(movelle::Form1& f, const std::string& count, const std::string& rate);

// Writes a solid-colour picture file into dir (format by extension, through Qt) and returns its path.
std::string writePicture(const TempDir& dir, const std::string& name, int width, int height, unsigned rgb);
// Writes a PNG of random opaque colours, which no encoder can make small, and returns its path.
// Quality 100 stores it without compression: quick to write, slow to encode.
std::string writeNoise(const TempDir& dir, const std::string& name, int width, int height, unsigned seed,
                       int quality = -1);

}
