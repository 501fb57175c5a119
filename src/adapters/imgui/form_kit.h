#pragma once

#include <imgui.h>

#include <cstdint>
#include <string_view>

namespace vora::form {

// Small drawing helpers that give the sheets the shape of a grouped phone form: sections of
// rows on a rounded background, with a header above and a footer below.

/// The font of section headers and footers.
void useSmallFont(ImFont* font);

/// Height of one row, points.
inline constexpr float kRowHeight = 44;
/// Inset of row content from the section's edges, points.
inline constexpr float kInset = 16;

/// Starts a section: its header (caption, and an image of the given width after it), then
/// the rounded background that endSection() closes.
void beginSection(std::string_view header, std::uintptr_t image = 0, float imageWidth = 0);
/// Closes the section, with a footer text under it when not empty.
void endSection(std::string_view footer = {});

/// The rectangle of one row; rows are stacked in the section.
struct Row {
  ImVec2 min, max;
  float centerY() const { return (min.y + max.y) / 2; }
};
/// Starts the next row of the current section; draws the separator above all but the first.
Row beginRow(float height = kRowHeight);
/// Ends the row: the cursor moves below it.
void endRow(const Row& row);

/// Text at x, vertically centred in the row.
void text(const Row& row, float x, std::string_view text, ImU32 color, ImFont* font = nullptr);
/// Width of text in the current (or given) font.
float textWidth(std::string_view text, ImFont* font = nullptr);
/// The whole row as one tappable area, drawn highlighted while pressed. Returns true on a tap.
bool rowButton(const Row& row, const char* id);
/// An image fitted by aspect ratio into a box of width w and height h centred at c.
void image(std::uintptr_t texture, ImVec2 c, float w, float h, float aspect);
/// A switch at the trailing end of the row; returns true when tapped (value is flipped).
bool toggle(const Row& row, const char* id, bool& value);

}  // namespace vora::form
