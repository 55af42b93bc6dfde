#include "ternex/ternex.h"

const char* const ternex_endl = "\r\n";
const char* const ternex_bell = "\a";
const char* const ternex_tab = "\t";

generic_ternex& generic_ternex::copy_from(generic_ternex& source) {
    while (!source.at_end()) write(source.read_char());
    return *this;
}

generic_ternex& generic_ternex::copy_to(generic_ternex& destination) {
    while (!at_end()) destination.write(read_char());
    return *this;
}

generic_ternex& generic_ternex::assign(generic_ternex& source) {
    reset();
    source.seek(0);
    return copy_from(source);
}

char generic_ternex::read_char() {
    char c = '\0';
    read(c);
    return c;
}

generic_ternex& generic_ternex::replace_with(generic_ternex&) { return *this; }

void generic_ternex::initialise() {}
