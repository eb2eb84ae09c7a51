#include "resources/embedded.h"

namespace qm::resources {

extern const unsigned char index_html[];
extern const std::size_t index_html_size;
extern const unsigned char commands_html[];
extern const std::size_t commands_html_size;
extern const unsigned char tlwstyle_css[];
extern const std::size_t tlwstyle_css_size;

std::span<const unsigned char> IndexHtml() { return {index_html, index_html_size}; }
std::span<const unsigned char> CommandsHtml() { return {commands_html, commands_html_size}; }
std::span<const unsigned char> StyleCss() { return {tlwstyle_css, tlwstyle_css_size}; }

}  // namespace qm::resources
