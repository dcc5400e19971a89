#include "platform/win32ui/DialogTemplateBuilder.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "resources/DialogTemplates.h"

namespace platform {
namespace {

// Predefined window classes of dialog items, by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
// Marks a class or caption given as a number rather than a text.
constexpr WORD kOrdinal = 0xFFFF;

WORD ClassAtom(res::ControlClass type) {
    return type == res::ControlClass::PushButton ? kButtonClass : kStaticClass;
}

// Collects the template in 16-bit words; every item starts on a 32-bit boundary.
class TemplateWriter {
public:
    void Word(WORD value) { m_words.push_back(value); }
    void Dword(DWORD value) {
        Word(static_cast<WORD>(value & 0xFFFF));
        Word(static_cast<WORD>(value >> 16));
    }
    void Short(int value) { Word(static_cast<WORD>(static_cast<int16_t>(value))); }
    // A zero-terminated UTF-16 text, converted from the ANSI code page.
    void Text(std::string_view text) {
        if (!text.empty()) {
            const int length = MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                   static_cast<int>(text.size()), nullptr, 0);
            std::vector<wchar_t> wide(static_cast<std::size_t>(length));
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                length);
            for (wchar_t character : wide)
                Word(static_cast<WORD>(character));
        }
        Word(0);
    }
    void AlignToDword() {
        if (m_words.size() % 2 != 0)
            Word(0);
    }
    std::vector<uint32_t> Finish() {
        AlignToDword();
        std::vector<uint32_t> dwords(m_words.size() / 2);
        std::memcpy(dwords.data(), m_words.data(), m_words.size() * sizeof(WORD));
        return dwords;
    }

private:
    std::vector<WORD> m_words;
};

} // namespace

std::vector<uint32_t> BuildDialogTemplate(const res::DialogTemplate& dialogTemplate,
                                          uint32_t extraStyle) {
    const uint32_t style = dialogTemplate.style | extraStyle;
    TemplateWriter out;
    // The extended template's header: version 1, its signature, no help id.
    out.Word(1);
    out.Word(0xFFFF);
    out.Dword(0);
    out.Dword(dialogTemplate.exStyle);
    out.Dword(style);
    out.Word(static_cast<WORD>(dialogTemplate.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(dialogTemplate.cx);
    out.Short(dialogTemplate.cy);
    out.Word(0); // no menu
    out.Word(0); // the dialog manager's own window class
    out.Text(dialogTemplate.caption);
    if ((style & res::kDsSetFont) != 0) {
        const res::DialogFont& font = dialogTemplate.font;
        out.Short(font.pointSize);
        out.Short(font.weight);
        out.Word(static_cast<WORD>((font.italic ? 1 : 0) | (font.charSet << 8)));
        out.Text(font.faceName);
    }

    bool defaultButtonSeen = false;
    for (const res::DialogControl& control : dialogTemplate.controls) {
        // One default button a dialog: the first in template order. A later one
        // would stay marked as the default whichever button Enter presses.
        uint32_t controlStyle = control.style;
        if (control.type == res::ControlClass::PushButton &&
            (controlStyle & res::kBsDefPushButton) != 0) {
            if (defaultButtonSeen)
                controlStyle &= ~res::kBsDefPushButton;
            defaultButtonSeen = true;
        }
        out.AlignToDword();
        out.Dword(0); // no help id
        out.Dword(0); // no extended style
        out.Dword(controlStyle);
        out.Short(control.x);
        out.Short(control.y);
        out.Short(control.cx);
        out.Short(control.cy);
        out.Dword(static_cast<DWORD>(control.id)); // -1 stays all ones
        out.Word(kOrdinal);
        out.Word(ClassAtom(control.type));
        if (control.type == res::ControlClass::StaticIcon) {
            // The icon resource of the module the dialog is created from.
            out.Word(kOrdinal);
            out.Word(static_cast<WORD>(control.imageId));
        } else {
            out.Text(control.caption);
        }
        out.Word(0); // no creation data
    }
    return out.Finish();
}

} // namespace platform
