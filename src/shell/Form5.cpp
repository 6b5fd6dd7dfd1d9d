// SPDX-License-Identifier: MIT
#include "shell/Form5.h"

#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <algorithm>
#include <string_view>

namespace movelle {

namespace {

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The drawing program's document is opaque to us; what is kept is a stand-in of the size of
// that program's contents stream, which names what it stands for.
std::vector<std::uint8_t> c3dDocument()
{
    constexpr std::size_t kContentsSize = 1836;
    constexpr std::string_view kHeader = "C3D.Document contents, embedded in Movelle's Drawing window";
    std::vector<std::uint8_t> bytes(kContentsSize, 0);
    std::copy(kHeader.begin(), kHeader.end(), bytes.begin());
    return bytes;
}

}

std::vector<std::uint8_t> Form5::whiteBitmap(int width, int height)
{
    constexpr std::uint32_t kFileHeader = 14;
    constexpr std::uint32_t kInfoHeader = 40;
    // Each row of pixels is padded to a multiple of four bytes.
    const auto rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowSize * static_cast<std::uint32_t>(height);
    const std::uint32_t fileSize = kFileHeader + kInfoHeader + pixelBytes;

    std::vector<std::uint8_t> bytes(fileSize, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 2, fileSize, 4);
    putLittleEndian(bytes, 10, kFileHeader + kInfoHeader, 4);
    putLittleEndian(bytes, 14, kInfoHeader, 4);
    putLittleEndian(bytes, 18, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(bytes, 22, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(bytes, 26, 1, 2);       // planes
    putLittleEndian(bytes, 28, 24, 2);      // bits per pixel
    putLittleEndian(bytes, 34, pixelBytes, 4);
    putLittleEndian(bytes, 38, 3780, 4);    // 96 dots per inch, in dots per metre
    putLittleEndian(bytes, 42, 3780, 4);
    for (int row = 0; row < height; ++row) {
        auto start = bytes.begin() + kFileHeader + kInfoHeader + static_cast<std::ptrdiff_t>(row) * rowSize;
        std::fill(start, start + width * 3, std::uint8_t { 0xff });
    }
    return bytes;
}

Form5::Form5(forms::Application& application)
    : Window(application, "Form5")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Drawing");
    setClientSize(4680, 1860);

    OLE1.setGeometry(240, 120, 1695, 1095);
    OLE1.setClassName("Paint.Picture");
    OLE1.setIconName(":/icons/paint-picture.svg");
    OLE1.setLabel("Bitmap Image");
    OLE1.setData(whiteBitmap(189, 189));

    OLE2.setGeometry(2160, 120, 1815, 1095);
    OLE2.setClassName("C3D.Document");
    OLE2.setIconName(":/icons/c3d-document.svg");
    OLE2.setLabel("C3D Document");
    OLE2.setData(c3dDocument());

    Command1.setCaption("OK");
    Command1.setGeometry(840, 1440, 1095, 255);
    Command2.setCaption("Cancel");
    Command2.setGeometry(2160, 1440, 1095, 255);

    setTabOrder({ &OLE1, &OLE2, &Command1, &Command2 });
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void Form5::Command1_Click()
{
    m_app.Form1().show();
}

void Form5::Command2_Click()
{
    m_app.Form1().show();
}

}
