// SPDX-License-Identifier: MIT
#include "dialogs/PictureFiles.h"

#include "anifile/Excerpt.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"
#include "forms/Progress.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

namespace movelle {

namespace {

// How many unreadable files the message names; the details name them all.
constexpr std::size_t kListedFiles = 8;
// How many characters of a path a message shows.
constexpr std::size_t kPathExcerpt = 120;

}

bool PictureFiles::isPictureName(const std::string& name)
{
    static constexpr std::array<std::string_view, 14> extensions { ".bmp", ".dib", ".gif", ".jpg", ".jpeg",
                                                                  ".png", ".tif", ".tiff", ".xbm", ".pcx",
                                                                  ".ico", ".cur", ".wmf", ".emf" };
    const std::string extension = forms::FileSystem::lowerExtension(name);
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::vector<PictureFiles::Decoded> PictureFiles::decodeAll(forms::Application& application,
                                                           const std::vector<std::string>& files,
                                                           const std::vector<int>& framesOf, unsigned threads,
                                                           forms::Progress& progress)
{
    // The decoder is safe on worker threads and Application::loadPicture only hands the call on,
    // so the threads share nothing but the index of the next file.
    std::vector<Decoded> results(files.size());
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        // A picture waiting for a free decoder stops waiting when the user cancels.
        const forms::Progress::Scope scope(progress);
        for (std::size_t k = next++; k < files.size() && !progress.cancelled(); k = next++) {
            try {
                results[k].picture = application.loadPicture(files[k]);
            } catch (const std::exception& e) {
                // A forms::Error names the file and the cause; anything else (memory running out
                // on a huge picture) must still tell which file it was.
                const auto* error = dynamic_cast<const forms::Error*>(&e);
                results[k].error = error ? std::string(e.what()) : "cannot read " + files[k] + ": " + e.what();
                results[k].failed = true;
                results[k].outOfMemory = error && error->kind() == forms::ErrorKind::OutOfMemory;
                results[k].bytesNeeded = error ? error->bytesNeeded() : 0;
            }
            progress.advance(k < framesOf.size() ? framesOf[k] : 1);
        }
    };

    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min<std::size_t>(threads, files.size()) - (files.empty() ? 0 : 1);
    std::vector<std::jthread> workers;
    workers.reserve(helpers);
    for (std::size_t t = 0; t < helpers; ++t) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked for only makes the work slower.
            break;
        }
    }
    work();
    return results;
}

std::optional<std::vector<forms::Picture>> PictureFiles::read(forms::Application& application,
                                                              const std::vector<std::string>& paths,
                                                              const std::string& refusal, unsigned threads)
{
    // Decoded on every core, through the same checked decode as an open, so that many pictures
    // dropped or chosen at once load as fast as the animation file naming them opens.
    forms::Progress progress;
    progress.setTotal(static_cast<int>(paths.size()));
    std::vector<Decoded> decoded;
    const bool finished = application.runWithProgress(
        "Loading " + std::to_string(paths.size()) + " pictures", progress,
        [&] { decoded = decodeAll(application, paths, {}, threads, progress); });
    if (!finished)
        return std::nullopt;

    std::vector<std::string> lines;
    std::vector<forms::Picture> pictures(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (!decoded[k].failed) {
            pictures[k] = std::move(decoded[k].picture);
            continue;
        }
        std::string line = decoded[k].error;
        if (const std::size_t at = line.find(paths[k]); at != std::string::npos)
            line.replace(at, paths[k].size(), anifile::excerpt(paths[k], kPathExcerpt));
        else
            line = anifile::excerpt(paths[k], kPathExcerpt) + ": " + line;
        lines.push_back(std::move(line));
    }
    if (lines.empty())
        return pictures;
    std::string message = refusal + ": " + std::to_string(lines.size()) + " of the " + std::to_string(paths.size())
        + " files cannot be read, so nothing was changed.";
    std::string details;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        details += (k > 0 ? "\n" : "") + lines[k];
        if (k < kListedFiles)
            message += "\n" + lines[k];
    }
    if (lines.size() <= kListedFiles)
        details.clear();
    else
        message += "\nand " + std::to_string(lines.size() - kListedFiles) + " more.";
    throw forms::Error(forms::ErrorKind::BadPicture, message, details);
}

}
