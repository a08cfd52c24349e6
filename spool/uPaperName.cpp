#include "uPaperName.h"

#include "uText.h"

namespace ostrovel {

std::u16string PaperSizeName(int code, int32_t width, int32_t length, const TFormLookup& forms) {
  if (code >= 1 && code <= 2048 && forms) {
    if (const auto form = forms(code)) {
      if ((form->Width / 100 == width || width == 0) &&
          (form->Length / 100 == length || length == 0))
        return form->Name;
    }
  }
  if (width != 0 && length != 0)
    return AnsiToWide(std::to_string(width / 10) + " x " + std::to_string(length / 10) + " mm");
  return {};
}

}  // namespace ostrovel
