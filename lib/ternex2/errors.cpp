#include "ternex2/ternex2.h"

namespace ternex2 {

const char* error_text(int code) {
    switch (code) {
        case error_none: return "ternex2: no error";
        case error_no_display: return "ternex2: no X display available";
        case error_no_visual: return "ternex2: no double-buffered RGBA visual with a depth buffer";
        case error_pixel_format: return "ternex2: the window could not be created with the GL visual";
        case error_no_context: return "ternex2: the GL context could not be created";
        case error_no_window: return "ternex2: the window could not be created";
        default: return "ternex2: unknown error";
    }
}

}  // namespace ternex2
