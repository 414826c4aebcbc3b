// libFuzzer target: any bytes handed to the presentation reader (compound
// file layer included) either open or raise FormatError. Anything else, a
// crash, a leak, a sanitizer report or another exception, is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pptfile/errors.h"
#include "pptfile/presentation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto presentation = pptfile::SourcePresentation::FromBytes(std::span(data, size));
        std::size_t controls = 0;
        for (const auto& slide : presentation.Slides()) {
            controls += slide.controls.size() + slide.title.size();
        }
        static_cast<void>(controls);
    } catch (const pptfile::FormatError&) {
    }
    return 0;
}
