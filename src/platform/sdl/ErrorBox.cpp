#include "platform/sdl/ErrorBox.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "platform/fonts/TtfFontRasterizer.h"

namespace zolvex {

namespace {

constexpr int kW = ErrorBoxFrame::kWidth;
constexpr int kH = ErrorBoxFrame::kHeight;
constexpr int kMargin = 20;
constexpr int kMinInner = 280;
constexpr int kMaxInner = 560;
constexpr int kTitleBar = 24;
constexpr int kMaxDetailLines = 5;

constexpr uint32_t kFace = 0xD4D0C8;
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x404040;
constexpr uint32_t kTitle = 0x0A246A;
constexpr uint32_t kInk = 0x000000;

uint16_t Rgb565(uint32_t rgb) {
    return static_cast<uint16_t>((rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x001F));
}

class Canvas {
public:
    explicit Canvas(ErrorBoxFrame& frame) : frame_(frame) {
        frame_.pixels.assign(static_cast<size_t>(kW) * kH, 0);
    }

    void Fill(int x, int y, int w, int h, uint32_t rgb) {
        const uint16_t color = Rgb565(rgb);
        for (int row = std::max(y, 0); row < std::min(y + h, kH); ++row) {
            for (int col = std::max(x, 0); col < std::min(x + w, kW); ++col) {
                frame_.pixels[static_cast<size_t>(row) * kW + col] = color;
            }
        }
    }

    // A raised edge: light above and left, shadow below and right.
    void Raised(int x, int y, int w, int h) {
        Fill(x, y, w, h, kShadow);
        Fill(x, y, w - 1, h - 1, kLight);
        Fill(x + 1, y + 1, w - 2, h - 2, kFace);
    }

    // Ink of `rgb` laid over what is there, as much as the text covers each pixel.
    void Text(const TextCoverage& text, int x, int y, uint32_t rgb, int clipRight) {
        const int inkR = static_cast<int>(rgb >> 16 & 0xFF);
        const int inkG = static_cast<int>(rgb >> 8 & 0xFF);
        const int inkB = static_cast<int>(rgb & 0xFF);
        for (int ty = 0; ty < text.height; ++ty) {
            const int row = y + ty;
            if (row < 0 || row >= kH) continue;
            for (int tx = 0; tx < text.width; ++tx) {
                const int col = x + tx;
                if (col < 0 || col >= std::min(clipRight, kW)) continue;
                const int a = text.coverage[static_cast<size_t>(ty) * text.width + tx];
                if (a == 0) continue;
                uint16_t& pixel = frame_.pixels[static_cast<size_t>(row) * kW + col];
                const int r = (pixel >> 11) * 255 / 31, g = (pixel >> 5 & 0x3F) * 255 / 63,
                          b = (pixel & 0x1F) * 255 / 31;
                auto mix = [a](int under, int ink) { return under + (ink - under) * a / 255; };
                pixel = Rgb565(
                    static_cast<uint32_t>(mix(r, inkR) << 16 | mix(g, inkG) << 8 | mix(b, inkB)));
            }
        }
    }

private:
    ErrorBoxFrame& frame_;
};

// `text` cut at blanks into lines no wider than `width`, each drawn; a word wider
// than a line has a line of its own.
std::vector<TextCoverage> Wrapped(MessageTextRasterizer& fonts, const std::string& text,
                                  int pixelsPerEm, int width) {
    std::vector<TextCoverage> lines;
    std::optional<TextCoverage> drawn;
    std::string line;
    size_t at = 0;
    while (at < text.size() && static_cast<int>(lines.size()) < kMaxDetailLines) {
        size_t end = text.find(' ', at + 1);
        if (end == std::string::npos) end = text.size();
        std::string longer = line + text.substr(at, end - at);
        std::optional<TextCoverage> tried = fonts.Render(longer, pixelsPerEm);
        if (!line.empty() && (!tried || tried->width > width)) {
            if (drawn) lines.push_back(std::move(*drawn));
            line.clear();
            drawn.reset();
            if (text[at] == ' ') ++at;
            continue;
        }
        line = std::move(longer);
        drawn = std::move(tried);
        at = end;
    }
    if (drawn && static_cast<int>(lines.size()) < kMaxDetailLines) lines.push_back(*drawn);
    return lines;
}

int HeightOf(const std::optional<TextCoverage>& text) {
    return text ? text->height : 0;
}
int WidthOf(const std::optional<TextCoverage>& text) {
    return text ? text->width : 0;
}

}  // namespace

ErrorBoxFrame DrawErrorBox(const std::string& caption, const std::string& text,
                           const std::string& detail) {
    std::optional<TextCoverage> captionText, mainText, okText;
    std::vector<TextCoverage> detailLines;
    if (std::unique_ptr<MessageTextRasterizer> fonts = CreateMessageTextRasterizer()) {
        captionText = fonts->Render(caption, 14);
        mainText = fonts->Render(text, 18);
        okText = fonts->Render("OK", 14);
        detailLines = Wrapped(*fonts, detail, 14, kMaxInner);
    }

    int inner = std::max(kMinInner, WidthOf(mainText));
    int detailHeight = 0;
    for (const TextCoverage& line : detailLines) {
        inner = std::max(inner, line.width);
        detailHeight += line.height + 2;
    }
    inner = std::min(inner, kMaxInner);
    constexpr int kButtonWidth = 80, kButtonHeight = 26;
    const int boxWidth = inner + 2 * kMargin;
    const int boxHeight =
        kTitleBar + kMargin + HeightOf(mainText) + 12 + detailHeight + kMargin + kButtonHeight + 14;
    const int x0 = (kW - boxWidth) / 2;
    const int y0 = (kH - boxHeight) / 2;

    ErrorBoxFrame frame;
    Canvas canvas(frame);
    canvas.Raised(x0, y0, boxWidth, boxHeight);
    canvas.Fill(x0 + 3, y0 + 3, boxWidth - 6, kTitleBar - 4, kTitle);
    if (captionText) {
        canvas.Text(*captionText, x0 + 10, y0 + 3 + (kTitleBar - 4 - captionText->height) / 2,
                    kLight, x0 + boxWidth - 4);
    }
    const int textX = x0 + kMargin;
    const int clip = textX + inner;
    int y = y0 + kTitleBar + kMargin;
    if (mainText) canvas.Text(*mainText, textX, y, kInk, clip);
    y += HeightOf(mainText) + 12;
    for (const TextCoverage& line : detailLines) {
        canvas.Text(line, textX, y, kInk, clip);
        y += line.height + 2;
    }
    frame.okWidth = kButtonWidth;
    frame.okHeight = kButtonHeight;
    frame.okX = x0 + (boxWidth - kButtonWidth) / 2;
    frame.okY = y + kMargin;
    canvas.Raised(frame.okX, frame.okY, kButtonWidth, kButtonHeight);
    if (okText) {
        canvas.Text(*okText, frame.okX + (kButtonWidth - okText->width) / 2,
                    frame.okY + (kButtonHeight - okText->height) / 2, kInk,
                    frame.okX + kButtonWidth);
    }
    return frame;
}

}  // namespace zolvex
