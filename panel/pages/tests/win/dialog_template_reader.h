// Reads a compiled extended dialog template (the RT_DIALOG resource bytes)
// back into plain values, so that tests can check what the resource
// compiler really produced rather than what the script says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamsel::testing {

struct TemplateItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::int32_t id = 0;
    std::string className;   // UTF-8; the predefined ordinals as "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"
    std::string title;       // UTF-8; an ordinal title as "#<n>"
    std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, windowClass, title;
    int pointSize = 0;
    int weight = 0;
    bool italic = false;
    int charset = 0;
    std::string typeface;
    std::vector<TemplateItem> items;
};

// nullopt when the bytes are not a complete extended template.
std::optional<DialogTemplate> ReadDialogTemplateEx(const std::uint8_t* data, std::size_t size);

}  // namespace tamsel::testing
