# Writes OUTPUT, a C++ source defining pptfile::BlankPresentation() as the
# bytes of INPUT.   cmake -DINPUT=blank.ppt -DOUTPUT=blank_presentation.cpp -P EmbedBytes.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}: do not edit.
#include \"pptfile/presentation.h\"

namespace pptfile {
namespace {

constexpr std::uint8_t kBlank[] = {
${bytes}};

}  // namespace

std::span<const std::uint8_t> BlankPresentation() noexcept {
    return kBlank;
}

}  // namespace pptfile
")
