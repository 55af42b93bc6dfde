// The program's icon resources, registered by name.
#include <map>
#include <mutex>

#include "ternex2/ternex2.h"

namespace {

std::mutex iconLock;
std::map<int, std::vector<ternex2::icon_image>> icons;

}  // namespace

// ---------------------------------------------------------------------------
// Icon resources
// ---------------------------------------------------------------------------

namespace ternex2 {

void register_icon(int name, std::vector<icon_image> images) {
    std::lock_guard<std::mutex> lock(iconLock);
    icons[name] = std::move(images);
}

bool find_icon(int name, std::vector<icon_image>& images) {
    std::lock_guard<std::mutex> lock(iconLock);
    const auto found = icons.find(name);
    if (found == icons.end()) return false;
    images = found->second;
    return true;
}

}  // namespace ternex2
