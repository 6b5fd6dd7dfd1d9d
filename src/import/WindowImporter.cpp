// SPDX-License-Identifier: MIT
#include "import/WindowImporter.h"

#include "import/AnimationDecoder.h"
#include "import/ImportCommand.h"

#include "export/ExportError.h"
#include "forms/Error.h"
#include "forms/FileSystem.h"
#include "forms/Progress.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <filesystem>
#include <string_view>

namespace importer {

using forms::FileSystem;

bool WindowImporter::isVideoName(const std::string& name)
{
    static constexpr std::array<std::string_view, 13> extensions {
        ".mp4", ".m4v", ".mov", ".mkv", ".webm", ".avi", ".mpg", ".mpeg", ".ogv", ".flv", ".wmv", ".3gp", ".ts"};
    const std::string extension = FileSystem::lowerExtension(name);
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

bool WindowImporter::isAnimation(const std::string& path)
{
    if (isVideoName(path))
        return true;
    const std::string extension = FileSystem::lowerExtension(path);
    const bool webp = extension == ".webp";
    if (!webp && extension != ".gif")
        return false;
    // A GIF of one frame is a still picture, which loads into one frame as it always did; only
    // a second frame makes it an animation. A WebP, which no frame loads as a picture, imports
    // unless it is known to hold a single frame, so that a broken one is reported by the import.
    const std::atomic<bool> never {false};
    try {
        const std::unique_ptr<AnimationDecoder> decoder = AnimationDecoder::open(path, never);
        DecodedFrame frame;
        return decoder->next(frame) && decoder->next(frame);
    } catch (const std::exception&) {
        return webp;
    }
}

movelle::Importer::Frames WindowImporter::import(
    const std::string& input, const std::string& folder, forms::Progress& progress)
{
    try {
        ImportCommand::Imported imported
            = ImportCommand::importFrames(input, folder, progress.cancelFlag(), [&progress](int done, int total) {
                  progress.setTotal(total);
                  progress.setDone(done);
              });
        return Frames {std::move(imported.paths), imported.rate};
    } catch (const exporter::ExportError& e) {
        if (e.kind() == exporter::ExportError::Kind::Interrupted || progress.cancelled())
            return {};
        throw forms::Error(e.kind() == exporter::ExportError::Kind::Output ? forms::ErrorKind::FileError
                                                                           : forms::ErrorKind::BadPicture,
            e.what());
    } catch (const forms::Error&) {
        throw;
    } catch (const std::exception& e) {
        if (progress.cancelled())
            return {};
        throw forms::Error(forms::ErrorKind::BadPicture, "cannot import " + input + ": " + e.what());
    }
}

}
