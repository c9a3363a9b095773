#include "calibration/touch_mapping.h"

#include <algorithm>

#include "calibration/check_text.h"

namespace norvessa {

std::array<float, 9> TransformationMatrixFor(PixelRect monitor, PixelSize root) {
    if (root.width <= 0 || root.height <= 0) {
        return {1, 0, 0, 0, 1, 0, 0, 0, 1};
    }
    const auto w = static_cast<double>(root.width);
    const auto h = static_cast<double>(root.height);
    return {static_cast<float>(monitor.width / w),
            0,
            static_cast<float>(monitor.x / w),
            0,
            static_cast<float>(monitor.height / h),
            static_cast<float>(monitor.y / h),
            0,
            0,
            1};
}

std::string MatrixText(const std::array<float, 9>& matrix) {
    std::string text;
    for (const float value : matrix) {
        // Eight decimals: finer than a float's own step between 0 and 1; trailing zeros go.
        std::string number = FormatDecimal(value, 8);
        if (number.find('.') != std::string::npos) {
            number.erase(number.find_last_not_of('0') + 1);
            if (number.back() == '.') {
                number.pop_back();
            }
        }
        if (!text.empty()) {
            text += ' ';
        }
        text += number;
    }
    return text;
}

std::string XorgSnippetFor(const std::string& deviceName, const std::array<float, 9>& matrix) {
    std::string product = deviceName;
    product.erase(std::remove(product.begin(), product.end(), '"'), product.end());
    return "# /etc/X11/xorg.conf.d/99-norvessa-touch.conf: keeps the touch screen on its monitor\n"
           "Section \"InputClass\"\n"
           "    Identifier \"norvessa touch mapping\"\n"
           "    MatchProduct \"" +
           product +
           "\"\n"
           "    Option \"TransformationMatrix\" \"" +
           MatrixText(matrix) +
           "\"\n"
           "EndSection\n";
}

}  // namespace norvessa
