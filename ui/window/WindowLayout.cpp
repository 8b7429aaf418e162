#include "ui/window/WindowLayout.h"

#include "ui/window/MacroGrid.h"

#include <QSet>

#include <algorithm>
#include <array>

namespace ui {

namespace windowlayout {
namespace {

// The macro grid shares the change in units of a seventh: columns 1 to 5 take
// one unit each, the wide column 6 two.
constexpr std::array<int, macrogrid::kColumns> kColumnUnits{1, 1, 1, 1, 1, 2};
constexpr int kGridUnits = 7;

// The rules given to one control each (most of them others line up with).
constexpr std::array kLinedUpWith{Rule::TopBar,      Rule::LogMemo,      Rule::LogBar,     Rule::CommandLine,
                                  Rule::ListCaption, Rule::TailLine,     Rule::FileButton, Rule::HistoryDropDown,
                                  Rule::HistoryList, Rule::EditorBanner, Rule::Statistics};

// The startup arrangement and the change of width; where each control goes
// by its own rule, and where the ones others follow go.
class Rules {
public:
    Rules(const StartupLayout &startup, int outerWidth)
        : m_startup(startup), m_dw(outerWidth - startup.StartupWidth), m_unit(m_dw / kGridUnits) {}

    Span design(Slot slot) const {
        const auto found = std::find_if(m_startup.controls.cbegin(), m_startup.controls.cend(),
                                        [&](const Placed &placed) { return placed.slot == slot; });
        return found == m_startup.controls.cend() ? Span{} : found->span;
    }

    // Where a control goes that follows no other.
    Span own(Slot slot, Span from) const {
        switch (slot.rule) {
        case Rule::TopBar:
        case Rule::Block:
        case Rule::LogMemo:
        case Rule::LogBar:
            return {from.left, design({Rule::TopBar}).width + m_dw};
        case Rule::Stretch:
        case Rule::CommandLine:
        case Rule::ListCaption:
            return {from.left, from.width + m_dw};
        case Rule::MoveRight:
        case Rule::TailLine:
        case Rule::FileButton:
            return {from.left + m_dw, from.width};
        case Rule::MacroButton:
        case Rule::MacroEdit: {
            const int col = macrogrid::column(slot.index);
            int unitsBefore = 0;
            for (int c = 0; c < col; ++c)
                unitsBefore += kColumnUnits[c];
            const Span button = design({Rule::MacroButton, slot.index});
            return {button.left + m_unit * unitsBefore, button.width + m_unit * kColumnUnits[col]};
        }
        default:
            return from;
        }
    }

    Span now(Slot slot) const { return own(slot, design(slot)); }

    Span place(Slot slot, Span from, bool fileSendMode) const {
        const Span tail = now({Rule::TailLine});
        switch (slot.rule) {
        case Rule::HistoryDropDown:
            return {from.left, now({Rule::CommandLine}).width};
        case Rule::HistoryList:
            // From the log's left edge to the tail line's right edge.
            return {now({Rule::LogMemo}).left, tail.left + tail.width};
        case Rule::UnderTailLine:
            return {tail.left, from.width};
        case Rule::ListCaption: {
            const Span caption = own(slot, from);
            if (!fileSendMode)
                return caption;
            return {caption.left, caption.left + now({Rule::FileButton}).left - 20};
        }
        case Rule::EditorBanner: {
            // The editor-mode banner reaches to the grid's right edge.
            const Span lastColumn = now({Rule::MacroButton, macrogrid::kMacroCount - macrogrid::kRows + 1});
            return {now({Rule::CommandLine}).left, lastColumn.left + lastColumn.width};
        }
        case Rule::Statistics:
            return {now({Rule::LogBar}).width - from.width, from.width};
        default:
            return own(slot, from);
        }
    }

private:
    const StartupLayout &m_startup;
    int m_dw;
    int m_unit; // integer division truncates toward zero
};

} // namespace

QList<Span> arrange(const StartupLayout &startup, int outerWidth, bool fileSendMode) {
    const Rules rules(startup, outerWidth);
    QList<Span> placed;
    placed.reserve(startup.controls.size());
    for (const Placed &control : startup.controls) {
        const Span span = rules.place(control.slot, control.span, fileSendMode);
        placed.append({span.left, std::max(0, span.width)});
    }
    return placed;
}

QString tableFault(const QList<Placement> &table) {
    QSet<const QWidget *> widgets;
    QList<Slot> given;
    for (const Placement &entry : table) {
        if (!entry.widget)
            return QStringLiteral("a control is missing");
        if (widgets.contains(entry.widget))
            return QStringLiteral("a control is placed twice");
        widgets.insert(entry.widget);
        given.append(entry.slot);
    }
    for (const Rule rule : kLinedUpWith)
        if (given.count(Slot{rule}) != 1)
            return QStringLiteral("rule %1 is not given to exactly one control").arg(int(rule));
    for (int k = 1; k <= macrogrid::kMacroCount; ++k)
        for (const Rule rule : {Rule::MacroButton, Rule::MacroEdit})
            if (given.count(Slot{rule, k}) != 1)
                return QStringLiteral("macro %1 (rule %2) is not placed exactly once").arg(k).arg(int(rule));
    return {};
}

} // namespace windowlayout

} // namespace ui
