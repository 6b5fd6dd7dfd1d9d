// SPDX-License-Identifier: MIT
#include "dialogs/ExportScreen.h"

#include "anifile/AniWriter.h"
#include "dialogs/AnimationSettings.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/NumericText.h"
#include "forms/Progress.h"
#include "forms/WindowSystem.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <unistd.h>

namespace movelle {

namespace {

namespace fs = std::filesystem;

// The kinds the dialog offers, as its list shows them, and the extension each output needs.
constexpr std::array<std::pair<const char*, const char*>, 5> kinds { { { "GIF", ".gif" },
                                                                       { "WebP", ".webp" },
                                                                       { "MP4", ".mp4" },
                                                                       { "WebM", ".webm" },
                                                                       { "PNG folder", "/" } } };

// A folder of our own for the animation as the window holds it, gone with the export.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "movelle-export-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}

ExportScreen::ExportScreen(forms::Application& application)
    : Window(application, "ExportScreen")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Export");
    setClientSize(5520, 3480);
    setIconName(":/icons/save.svg");

    const auto row = [](forms::Label& label, const std::string& caption, forms::Control& field, float top, float width) {
        label.setCaption(caption);
        label.setGeometry(120, top + 45, 1335, 255);
        field.setGeometry(1560, top, width, 315);
    };
    const char* home = std::getenv("HOME");
    Text1.setText((fs::path(home && *home ? home : "/") / "animation.gif").string());
    row(Label1, "Output file :", Text1, 120, 2760);
    row(Label2, "Kind :", Combo1, 600, 1695);
    for (const auto& [kind, extension] : kinds)
        Combo1.addItem(kind);
    Combo1.setText("GIF");
    row(Label3, "Scale or size :", Text2, 1080, 1695);
    Text2.setText("1");
    row(Label4, "Background :", Text3, 1560, 1695);
    row(Label5, "Quality :", Text4, 2040, 1695);
    row(Label6, "Frame rate :", Text5, 2520, 1695);
    row(Label7, "Dither :", Combo2, 3000, 1695);
    Combo2.addItem("No");
    Combo2.addItem("Yes");
    Combo2.setText("No");
    Command1.setCaption("OK");
    Command1.setGeometry(4440, 600, 855, 375);
    Command2.setCaption("Cancel");
    Command2.setGeometry(4440, 1080, 855, 375);
    setDefaultButton(&Command1);
    setCancelButton(&Command2);
    setTabOrder({ &Text1, &Combo1, &Text2, &Text3, &Text4, &Text5, &Combo2, &Command1, &Command2, &Label1, &Label2,
                  &Label3, &Label4, &Label5, &Label6, &Label7 });

    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

std::string ExportScreen::outputPath() const
{
    std::string output = Text1.text();
    for (const auto& [kind, extension] : kinds) {
        if (Combo1.text() != kind)
            continue;
        fs::path path(output);
        if (std::string(extension) == "/")
            return output.ends_with('/') ? output : path.replace_extension().string() + "/";
        while (output.ends_with('/'))
            output.pop_back();
        return fs::path(output).replace_extension(extension).string();
    }
    return output;
}

std::vector<std::string> ExportScreen::exportArguments(const std::string& animation) const
{
    std::vector<std::string> arguments { animation, outputPath(), "--quiet" };
    const auto option = [&arguments](const char* name, const std::string& value) {
        if (!value.empty())
            arguments.insert(arguments.end(), { name, value });
    };
    // "2" scales, "1280x720" fits the frames into that size; "1" is the pictures as they are.
    if (Text2.text().find('x') != std::string::npos)
        option("--size", Text2.text());
    else if (!Text2.text().empty() && Text2.text() != "1")
        option("--scale", Text2.text());
    option("--background", Text3.text());
    option("--quality", Text4.text());
    option("--fps", Text5.text());
    if (Combo2.text() == "Yes")
        arguments.push_back("--dither");
    return arguments;
}

// "OK": the animation as the window holds it goes to the export through a file of our own, so
// that it needs no saving first and the user's own file is never touched.
void ExportScreen::Command1_Click()
{
    Form1& main = m_app.Form1();
    anifile::AniContent content;
    content.countText = main.Text1.text();
    content.rateText = main.Text2.text();
    try {
        AnimationSettings::check(content.countText, content.rateText);
        const double count = forms::leadingNumber(content.countText);
        for (int i = 0; i <= count - 1; ++i)
            content.frames.push_back(main.x(i).caption());
    } catch (const forms::Error& e) {
        throw forms::Error(e.kind(), "The animation was not exported: " + std::string(e.what()));
    }

    const ScratchFolder scratch;
    const std::string animation = scratch.path() + "/animation.ani";
    if (scratch.path().empty())
        throw forms::Error(forms::ErrorKind::FileError, "The animation was not exported: no temporary folder.");
    if (const anifile::Result<void> saved = anifile::AniWriter::save(animation, content); !saved)
        throw forms::Error(forms::ErrorKind::FileError, "The animation was not exported: " + saved.error().message());

    const std::vector<std::string> arguments = exportArguments(animation);
    std::string failure;
    forms::Progress progress;
    const bool done = application().runWithProgress(
        "Exporting " + outputPath(), progress, [&] { failure = m_app.exportAnimation(arguments, progress); });
    if (!done)
        return;
    if (!failure.empty())
        throw forms::Error(forms::ErrorKind::FileError, "The animation was not exported: " + failure);
    hide();
    main.show();
}

void ExportScreen::Command2_Click()
{
    hide();
    m_app.Form1().show();
}

forms::AccessibleText ExportScreen::accessibleText(const forms::Control& control) const
{
    if (&control == &Text1)
        return { "Output file", "The file or folder to write" };
    if (&control == &Combo1)
        return { "Kind", "GIF, WebP, MP4, WebM or a folder of PNG pictures" };
    if (&control == &Text2)
        return { "Scale or size", "A factor such as 0.5, or a size such as 1280x720" };
    if (&control == &Text3)
        return { "Background", "A colour such as black or #336699; empty keeps the window's grey" };
    if (&control == &Text4)
        return { "Quality", "0 to 100; empty keeps the best" };
    if (&control == &Text5)
        return { "Frame rate", "Videos: frames per second; empty gives one frame per picture" };
    if (&control == &Combo2)
        return { "Dither", "GIF: dither the colours" };
    return {};
}

}
