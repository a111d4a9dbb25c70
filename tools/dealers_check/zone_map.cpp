#include "zone_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

namespace dealers_check {
namespace {

constexpr double kLargestSide = 1000; // pixels of the map's longer side
// Margins, in whole pixels that print as they are.
constexpr int kLeft = 80, kTop = 40, kBottom = 40, kLegend = 120;
constexpr std::size_t kLabelledZones = 300; // above this, labels sit inside the zones, seen when zoomed

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The length of the character that starts at text[i] when the map shows it: UTF-8 without
// overlong forms, surrogates, code points past U+10FFFF or those XML refuses, and no control
// character but a tab; else 0. Readers refuse a map with any other byte in it.
std::size_t CharacterLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    const unsigned c = byte(0);
    if (c < 0x80) return c >= 0x20 || c == '\t' ? 1 : 0;
    // The lead byte sets the length and the range of the byte after it.
    std::size_t length = 2;
    unsigned low = 0x80, high = 0xBF;
    if (c >= 0xE0 && c < 0xF0) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : low;
        high = c == 0xED ? 0x9F : high;
    } else if (c >= 0xF0 && c < 0xF5) {
        length = 4;
        low = c == 0xF0 ? 0x90 : low;
        high = c == 0xF4 ? 0x8F : high;
    } else if (c < 0xC2 || c > 0xDF) { // C0 and C1 lead overlong forms only, F5 on nothing
        return 0;
    }
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    if (c == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE) return 0; // U+FFFE and U+FFFF
    return length;
}

// Text for XML: markup characters escaped, and whatever XML does not take shown as '?'.
std::string Xml(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharacterLength(text, i);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        switch (text[i]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

// A round step (1, 2 or 5 times a power of ten) near span / count.
double RoundStep(double span, double count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * power >= raw) return factor * power;
    return 10 * power;
}

bool Drawn(const Dealer& dealer) {
    return std::isfinite(dealer.x) && std::isfinite(dealer.y);
}

} // namespace

void WriteZoneMap(const FolderCheck& check, Output& out, const Picture* picture) {
    // The world rectangle that holds every zone and the picture, with a margin.
    double left = HUGE_VAL, right = -HUGE_VAL, bottom = HUGE_VAL, top = -HUGE_VAL;
    std::size_t drawn = 0;
    for (const Dealer& dealer : check.dealers) {
        if (!Drawn(dealer)) continue;
        ++drawn;
        const double r = std::max(dealer.radius, 0);
        left = std::min(left, dealer.x - r), right = std::max(right, dealer.x + r);
        bottom = std::min(bottom, dealer.y - r), top = std::max(top, dealer.y + r);
    }
    if (picture != nullptr) {
        left = std::min(left, picture->left), right = std::max(right, picture->right);
        bottom = std::min(bottom, picture->bottom), top = std::max(top, picture->top);
    } else if (drawn == 0) {
        left = bottom = -100, right = top = 100;
    }
    const double margin = std::max({right - left, top - bottom, 20.0}) * 0.04;
    left -= margin, right += margin, bottom -= margin, top += margin;
    const double scale = kLargestSide / std::max(right - left, top - bottom); // pixels per world unit
    // A long thin map is widened to leave room for the legend and the coordinates.
    const double wider = std::max(300 / scale - (right - left), 0.0) / 2;
    const double taller = std::max(200 / scale - (top - bottom), 0.0) / 2;
    left -= wider, right += wider, bottom -= taller, top += taller;
    const double width = right - left, height = top - bottom;
    const double mapWidth = width * scale, mapHeight = height * scale;
    const bool labelled = drawn <= kLabelledZones;
    // Room on the right for the labels of the zones at the right edge.
    std::size_t longest = 0;
    for (const Dealer& dealer : check.dealers) longest = std::max(longest, dealer.label.size());
    const double kRight = labelled ? std::min(longest * 6.5 + 50, 320.0) : 20;
    const double legend = kLegend + (picture != nullptr ? 16 : 0); // a line more for the picture
    const double totalWidth = kLeft + mapWidth + kRight, totalHeight = kTop + mapHeight + kBottom + legend;
    const double marker = 2.5 / scale; // the smallest circle drawn: 2.5 pixels
    const double labelSize = 11 / scale;

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(totalWidth) << "\" height=\""
        << Number(totalHeight) << "\" viewBox=\"0 0 " << Number(totalWidth) << ' ' << Number(totalHeight)
        << "\" font-family=\"sans-serif\">\n"
        << "<style>\n"
        << ".zone{fill:#3b7dd8;fill-opacity:.25;stroke:#1f4f99;stroke-width:1.2px;vector-effect:non-scaling-"
           "stroke}\n"
        << ".overlaps{fill:#f0a030;fill-opacity:.35;stroke:#b86e00}\n"
        << ".never{fill:#d62728;fill-opacity:.3;stroke:#d62728;stroke-width:1.2px;stroke-dasharray:4 3}\n"
        << ".nobody{fill:none;stroke:#777;stroke-dasharray:1 2}\n"
        << ".label{fill:#222}\n.axis{fill:#444;font-size:11px}\n"
        << ".grid{stroke:#ddd;stroke-width:1px;vector-effect:non-scaling-stroke}\n";
    // Over a picture, light or dark: lines dark on a light band, text on a light halo. Widths in
    // world units (a px inside the frame is one), as every renderer scales them.
    if (picture != nullptr) {
        const auto px = [&](double pixels) { return Number(pixels / scale) + "px"; };
        out << ".world .grid{stroke:#333;stroke-opacity:.6;stroke-width:" << px(1) << ";vector-effect:none}\n"
            << ".world .band{stroke:#fff;stroke-opacity:.5;stroke-width:" << px(3) << "}\n"
            << ".world .zone{stroke-width:" << px(2.5) << ";vector-effect:none}\n"
            << ".world .never{stroke-dasharray:" << px(5) << ' ' << px(4) << "}\n"
            << ".world .nobody{stroke-dasharray:" << px(1.5) << ' ' << px(2.5) << "}\n"
            << ".label text{stroke:#fff;stroke-opacity:.8;stroke-width:.3em;stroke-linejoin:round;"
               "paint-order:stroke}\n";
    }
    out << "</style>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n"
        << "<text x=\"" << kLeft << "\" y=\"24\" font-size=\"15\">Dealer zones of "
        << Xml(check.dealer_list.path) << ": " << check.dealers.size()
        << (check.dealers.size() == 1 ? " dealer" : " dealers") << " (world units, north up)</text>\n";

    // The map: world units, y up, inside its frame.
    out << (picture != nullptr ? "<svg class=\"world\" x=\"" : "<svg x=\"") << kLeft << "\" y=\"" << kTop
        << "\" width=\"" << Number(mapWidth) << "\" height=\"" << Number(mapHeight) << "\" viewBox=\""
        << Number(left) << ' ' << Number(-top) << ' ' << Number(width) << ' ' << Number(height)
        << "\" overflow=\"visible\">\n";
    if (picture != nullptr) {
        // Grey where the picture does not reach; the picture stretched to its corners.
        out << "<rect x=\"" << Number(left) << "\" y=\"" << Number(-top) << "\" width=\"" << Number(width)
            << "\" height=\"" << Number(height) << "\" fill=\"#e4e4e4\"/>\n"
            << "<image x=\"" << ExactText(picture->left) << "\" y=\"" << ExactText(-picture->top)
            << "\" width=\"" << ExactText(picture->right - picture->left) << "\" height=\""
            << ExactText(picture->top - picture->bottom)
            << "\" preserveAspectRatio=\"none\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "xlink:href=\"data:image/"
            << picture->type << ";base64," << Base64(picture->bytes) << "\"/>\n";
    }
    const double step = RoundStep(std::max(width, height), 8);
    const auto grid = [&](const char* style) {
        out << "<g class=\"" << style << "\">\n";
        for (double x = std::ceil(left / step) * step; x <= right; x += step)
            out << "<line x1=\"" << Number(x) << "\" y1=\"" << Number(-top) << "\" x2=\"" << Number(x)
                << "\" y2=\"" << Number(-bottom) << "\"/>\n";
        for (double y = std::ceil(bottom / step) * step; y <= top; y += step)
            out << "<line x1=\"" << Number(left) << "\" y1=\"" << Number(-y) << "\" x2=\"" << Number(right)
                << "\" y2=\"" << Number(-y) << "\"/>\n";
        out << "</g>\n";
    };
    if (picture != nullptr) grid("band");
    grid("grid");
    out << "<g transform=\"scale(1 -1)\">\n";
    // Plain zones first, those that overlap over them, and the zones never chosen or holding
    // nobody on top, where they show.
    const auto layer = [](const Dealer& dealer) {
        return dealer.radius < 0 ? 3 : dealer.never_chosen_by != 0 ? 2 : dealer.overlaps ? 1 : 0;
    };
    constexpr const char* kStyles[] = {"zone", "zone overlaps", "zone never", "zone nobody"};
    for (int drawing = 0; drawing < 4; ++drawing) {
        for (const Dealer& dealer : check.dealers) {
            if (!Drawn(dealer) || layer(dealer) != drawing) continue;
            const double r = std::max(double{static_cast<float>(dealer.radius)}, marker);
            out << "<circle class=\"" << kStyles[drawing] << "\" cx=\"" << FloatText(dealer.x) << "\" cy=\""
                << FloatText(dealer.y) << "\" r=\"" << Number(r) << "\" data-line=\"" << dealer.line
                << "\" data-radius=\"" << dealer.radius << "\"><title>line " << dealer.line << ": x "
                << FloatText(dealer.x) << ", y " << FloatText(dealer.y) << ", radius " << dealer.radius;
            if (!dealer.label.empty()) out << " (" << Xml(dealer.label) << ")";
            if (dealer.never_chosen_by != 0)
                out << "; never chosen: within the zone of line " << dealer.never_chosen_by;
            out << "</title></circle>\n";
        }
    }
    out << "</g>\n<g class=\"label\"" << (labelled ? "" : " fill-opacity=\".5\"") << ">\n";
    for (const Dealer& dealer : check.dealers) {
        if (!Drawn(dealer)) continue;
        const double r = std::max(double{static_cast<float>(dealer.radius)}, marker);
        std::string text = std::to_string(dealer.line);
        if (!dealer.label.empty()) text += " " + Xml(dealer.label);
        if (labelled) {
            out << "<text x=\"" << Number(dealer.x + r + labelSize * 0.3) << "\" y=\""
                << Number(-dealer.y + labelSize * 0.35) << "\" font-size=\"" << Number(labelSize) << "\">"
                << text << "</text>\n";
        } else {
            // Inside its zone, so small that it shows only when the map is zoomed in.
            out << "<text x=\"" << Number(dealer.x) << "\" y=\"" << Number(-dealer.y) << "\" font-size=\""
                << Number(r * 0.3) << "\" text-anchor=\"middle\">" << text << "</text>\n";
        }
    }
    out << "</g>\n</svg>\n";

    // Frame and coordinates at the edges.
    const auto pixelX = [&](double x) { return kLeft + (x - left) * scale; };
    const auto pixelY = [&](double y) { return kTop + (top - y) * scale; };
    out << "<rect x=\"" << kLeft << "\" y=\"" << kTop << "\" width=\"" << Number(width * scale)
        << "\" height=\"" << Number(height * scale)
        << "\" fill=\"none\" stroke=\"#444\"/>\n<g class=\"axis\">\n";
    for (double x = std::ceil(left / step) * step; x <= right; x += step)
        out << "<text x=\"" << Number(pixelX(x)) << "\" y=\"" << Number(kTop + height * scale + 15)
            << "\" text-anchor=\"middle\">" << Number(x) << "</text>\n";
    for (double y = std::ceil(bottom / step) * step; y <= top; y += step)
        out << "<text x=\"" << kLeft - 6 << "\" y=\"" << Number(pixelY(y) + 4) << "\" text-anchor=\"end\">"
            << Number(y) << "</text>\n";
    out << "<text x=\"" << kLeft - 6 << "\" y=\"" << kTop - 6 << "\" text-anchor=\"end\">y</text>\n"
        << "<text x=\"" << Number(kLeft + width * scale + 4) << "\" y=\""
        << Number(kTop + height * scale + 15) << "\">x</text>\n</g>\n";

    // Legend and scale bar.
    const double legendTop = kTop + height * scale + kBottom;
    const auto key = [&](int row, const char* style, const std::string& text) {
        const double y = legendTop + 16 + row * 20;
        out << "<circle class=\"" << style << "\" cx=\"" << kLeft + 8 << "\" cy=\"" << Number(y)
            << "\" r=\"7\"/>"
            << "<text x=\"" << kLeft + 22 << "\" y=\"" << Number(y + 4) << "\" font-size=\"12\">" << text
            << "</text>\n";
    };
    std::size_t counts[4] = {}; // by layer
    for (const Dealer& dealer : check.dealers)
        if (Drawn(dealer)) ++counts[layer(dealer)];
    const Overlaps& overlaps = check.overlaps;
    key(0, "zone", Plural(counts[0], "zone that shares", "zones that share") + " no ground with another");
    key(1, "zone overlaps",
        Plural(counts[1], "zone that overlaps", "zones that overlap") + " another (" +
            (overlaps.complete ? "" : "at least ") + Plural(overlaps.pairs, "pair", "pairs") +
            "): the dealer the player is with keeps him, else the first listed");
    key(2, "zone never", Plural(counts[2], "zone", "zones") + " never chosen: within a zone listed before");
    key(3, "zone nobody", Plural(counts[3], "zone", "zones") + " with a negative radius, holding nobody");
    out << "<text x=\"" << kLeft << "\" y=\"" << Number(legendTop + 96)
        << "\" font-size=\"12\" fill=\"#555\">"
        << "Zones smaller than " << Number(std::ceil(marker * 10) / 10)
        << " world units show at that size (the title gives the radius)"
        << (labelled ? "" : "; labels show when zoomed in");
    if (drawn < check.dealers.size())
        out << "; " << check.dealers.size() - drawn << " not drawn: not a finite point";
    out << ".</text>\n";
    if (picture != nullptr)
        out << "<text x=\"" << kLeft << "\" y=\"" << Number(legendTop + 112)
            << "\" font-size=\"12\" fill=\"#555\">"
            << "Under the zones: " << Xml(picture->path) << ", its corners at x " << ExactText(picture->left)
            << ", y " << ExactText(picture->bottom) << " and x " << ExactText(picture->right) << ", y "
            << ExactText(picture->top) << "; grey beyond it.</text>\n";
    const double bar = RoundStep(std::max(width, height), 5);
    const double barRight = kLeft + mapWidth;
    out << "<g stroke=\"#222\" stroke-width=\"2\"><line x1=\"" << Number(barRight - bar * scale) << "\" y1=\""
        << Number(legendTop + 16) << "\" x2=\"" << Number(barRight) << "\" y2=\"" << Number(legendTop + 16)
        << "\"/></g><text x=\"" << Number(barRight) << "\" y=\"" << Number(legendTop + 32)
        << "\" font-size=\"12\" text-anchor=\"end\">" << Number(bar) << " world units</text>\n";
    out << "</svg>\n";
}

} // namespace dealers_check
