// SPDX-License-Identifier: MIT
#include "dialogs/PictureFiles.h"

#include "anifile/Excerpt.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/Progress.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <filesystem>
#include <string_view>

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
    std::string extension = std::filesystem::path(name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::optional<std::vector<forms::Picture>> PictureFiles::read(forms::Application& application,
                                                              const std::vector<std::string>& paths,
                                                              const std::string& refusal)
{
    forms::Progress progress;
    progress.setTotal(static_cast<int>(paths.size()));
    std::vector<forms::Picture> pictures(paths.size());
    std::vector<std::string> failures(paths.size());
    const bool finished = application.runWithProgress(
        "Loading " + std::to_string(paths.size()) + " pictures", progress, [&] {
            for (std::size_t k = 0; k < paths.size() && !progress.cancelled(); ++k) {
                try {
                    pictures[k] = application.loadPicture(paths[k]);
                } catch (const std::exception& e) {
                    // Anything else than a forms::Error (memory running out on a huge picture)
                    // must still tell which file it was.
                    failures[k] = dynamic_cast<const forms::Error*>(&e) ? std::string(e.what())
                                                                         : "cannot read " + paths[k] + ": " + e.what();
                }
                progress.advance();
            }
        });
    if (!finished)
        return std::nullopt;

    std::vector<std::string> lines;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (failures[k].empty())
            continue;
        std::string line = failures[k];
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
