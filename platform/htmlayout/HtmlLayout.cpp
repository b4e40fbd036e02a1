#include "platform/htmlayout/HtmlLayout.h"

#include <wctype.h>

#include <algorithm>
#include <cstdlib>

#include "platform/htmlayout/HtmlImage.h"
#include "platform/htmlayout/htmlayout.h"

namespace hl {

namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

const ComputedStyle& StyleOf(const Element* e) {
    static const ComputedStyle none;
    return e && e->style ? *e->style : none;
}

bool Hidden(const Element* e) {
    return !e->IsText() && StyleOf(e).display == Display::None;
}

int Horizontal(const ComputedStyle& s, int base, bool withMargins) {
    int sum =
        s.padding[kLeft].Resolve(base) + s.padding[kRight].Resolve(base) + s.borderWidth[kLeft] + s.borderWidth[kRight];
    if (withMargins) sum += s.margin[kLeft].Resolve(base) + s.margin[kRight].Resolve(base);
    return sum;
}

int Vertical(const ComputedStyle& s, int base) {
    return s.padding[kTop].Resolve(base) + s.padding[kBottom].Resolve(base) + s.borderWidth[kTop] +
           s.borderWidth[kBottom];
}

// Width and height attributes count the border box for tables, cells and pictures.
bool SizesBorderBox(const Element* e) {
    const std::wstring& t = e->Tag();
    return t == L"table" || t == L"td" || t == L"th" || t == L"img" || t == L"input";
}

void Offset(RECT& r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

struct Item {
    enum Kind { Word, Space, Break, Atomic, Block, CheckMark, Marker, Spacer };
    Kind kind = Word;
    Element* owner = nullptr;
    const ComputedStyle* style = nullptr;
    std::wstring text;
    int width = 0;
    int height = 0;  // atomic items
    int ascent = 0;
    int descent = 0;
    bool glued = false;  // no break allowed before it
};

class CLayout {
public:
    CLayout(ITextMeasure& measure, LayoutResult& result, int viewportHeight)
        : m_measure(measure), m_result(result), m_viewportHeight(viewportHeight) {}

    bool IsBlockLevel(Element* e) const {
        if (e->IsText()) return false;
        if (e->box.blockLevel < 0) e->box.blockLevel = FindBlockLevel(e) ? 1 : 0;
        return e->box.blockLevel == 1;
    }

    bool FindBlockLevel(Element* e) const {
        const Display d = StyleOf(e).display;
        if (d == Display::Block || d == Display::ListItem || d == Display::Table || d == Display::TableRow ||
            d == Display::TableCell)
            return true;
        if (d != Display::Inline) return false;
        // An inline element holding blocks (a SPAN around tables) becomes a block itself.
        for (Element* child : e->Children())
            if (!child->IsText() && !Hidden(child) && IsBlockLevel(child)) return true;
        return false;
    }

    // Lays out e as a block whose containing block starts at x and is availWidth wide; y is
    // the top of its border box. Returns the border box height.
    int LayoutBlock(Element* e, int x, int y, int availWidth, int cbHeight, int forcedWidth = -1) {
        const ComputedStyle& s = StyleOf(e);
        e->box.fragBegin = m_result.fragments.size();
        if (e->Tag() == L"table" || s.display == Display::Table) {
            const int h = LayoutTable(e, x, y, availWidth, cbHeight, forcedWidth);
            e->box.fragEnd = m_result.fragments.size();
            return h;
        }
        const int ml = s.margin[kLeft].Resolve(availWidth), mr = s.margin[kRight].Resolve(availWidth);
        const int extra = Horizontal(s, availWidth, false);
        int width;  // border box
        if (forcedWidth >= 0) {
            width = forcedWidth;
        } else if (!s.width.IsAuto()) {
            width = s.width.Resolve(availWidth) + (SizesBorderBox(e) ? 0 : extra);
        } else if (s.display == Display::InlineBlock || s.display == Display::TableCell) {
            const int avail = std::max(0, availWidth - ml - mr);
            width = std::min(std::max(MinWidth(e) - ml - mr, avail), MaxWidth(e) - ml - mr);
        } else {
            width = availWidth - ml - mr;
        }
        width = std::max(width, extra);
        int left = x + ml;
        if (forcedWidth < 0 && s.margin[kLeft].IsAuto() && s.margin[kRight].IsAuto())
            left = x + std::max(0, (availWidth - width) / 2);
        else if (forcedWidth < 0 && s.margin[kLeft].IsAuto())
            left = x + std::max(0, availWidth - width - mr);
        const int contentX = left + s.borderWidth[kLeft] + s.padding[kLeft].Resolve(availWidth);
        const int contentY = y + s.borderWidth[kTop] + s.padding[kTop].Resolve(availWidth);
        const int contentWidth = std::max(0, width - extra);
        int specified = -1;
        if (s.height.unit == Length::Px || (s.height.unit == Length::Percent && cbHeight >= 0))
            specified = s.height.Resolve(cbHeight) - (SizesBorderBox(e) ? Vertical(s, availWidth) : 0);
        int childCb = specified;
        if (e->Tag() == L"html" || e->Tag() == L"body")
            childCb = std::max(0, (cbHeight >= 0 ? cbHeight : m_viewportHeight) - Vertical(s, availWidth) -
                                      s.margin[kTop].Resolve(availWidth) - s.margin[kBottom].Resolve(availWidth));
        if (s.display == Display::ListItem && s.listBullet) {
            const FontMetrics fm = m_measure.Metrics(s);
            Fragment bullet;
            bullet.kind = Fragment::Bullet;
            bullet.owner = e;
            bullet.style = &s;
            const int size = std::max(4, fm.Height() / 3);
            bullet.rect = {contentX - 12, contentY + (fm.Height() - size) / 2, contentX - 12 + size,
                           contentY + (fm.Height() - size) / 2 + size};
            m_result.fragments.push_back(bullet);
        }
        int contentHeight = LayoutChildren(e, contentX, contentY, contentWidth, childCb);
        if (specified >= 0) contentHeight = std::max(contentHeight, specified);
        const int height = contentHeight + Vertical(s, availWidth);
        e->box.border = {left, y, left + width, y + height};
        e->box.placed = true;
        e->box.block = true;
        e->box.fragEnd = m_result.fragments.size();
        return height;
    }

    // Content of a block; returns its height.
    int LayoutChildren(Element* e, int x, int y, int width, int cbHeight) {
        const ComputedStyle& s = StyleOf(e);
        if (s.flowHorizontal) return LayoutInline(e, e->Children(), x, y, width, true);
        int cursor = y;
        int pendingMargin = 0;
        std::vector<Element*> run;
        auto flushRun = [&]() {
            if (run.empty()) return;
            const int h = LayoutInline(e, run, x, cursor + pendingMargin, width, false);
            if (h > 0) {
                cursor += pendingMargin + h;
                pendingMargin = 0;
            }
            run.clear();
        };
        for (Element* child : e->Children()) {
            if (Hidden(child)) continue;
            if (!IsBlockLevel(child)) {
                run.push_back(child);
                continue;
            }
            flushRun();
            const ComputedStyle& cs = StyleOf(child);
            const int mt = cs.margin[kTop].Resolve(width), mb = cs.margin[kBottom].Resolve(width);
            const int top = cursor + std::max(pendingMargin, mt);
            const int h = LayoutBlock(child, x, top, width, cbHeight);
            cursor = top + h;
            pendingMargin = mb;
        }
        flushRun();
        return cursor + pendingMargin - y;
    }

    int MinWidth(Element* e) {
        Measure(e);
        return e->box.minWidth;
    }
    int MaxWidth(Element* e) {
        Measure(e);
        return e->box.maxWidth;
    }

private:
    // Intrinsic widths of an element's margin box.
    void Measure(Element* e) {
        if (e->box.minWidth >= 0) return;
        int minW = 0, maxW = 0;
        const ComputedStyle& s = StyleOf(e);
        if (e->Tag() == L"table" || s.display == Display::Table) {
            TableGrid grid = BuildGrid(e);
            std::vector<int> mins, maxs, fixed, percent;
            ColumnWidths(grid, mins, maxs, fixed, percent);
            const int spacing = Spacing(e) * (static_cast<int>(mins.size()) + 1) + Horizontal(s, 0, false);
            for (size_t c = 0; c < mins.size(); ++c) {
                minW += mins[c];
                maxW += std::max(maxs[c], fixed[c]);
            }
            minW += spacing;
            maxW += spacing;
        } else {
            std::vector<Item> items;
            for (Element* child : e->Children())
                if (!Hidden(child) && !IsBlockLevel(child)) Gather(child, items, e->style.get(), s.flowHorizontal);
            int line = 0, word = 0;
            for (const Item& item : items) {
                if (item.kind == Item::Break) {
                    maxW = std::max(maxW, line);
                    line = 0;
                    word = 0;
                    continue;
                }
                line += item.width;
                word = item.glued ? word + item.width : item.width;
                if (item.kind == Item::Space) word = 0;
                if (!s.noWrap && !s.flowHorizontal) minW = std::max(minW, word);
            }
            maxW = std::max(maxW, line);
            if (s.noWrap || s.flowHorizontal) minW = maxW;
            for (Element* child : e->Children()) {
                if (Hidden(child) || !IsBlockLevel(child)) continue;
                minW = std::max(minW, MinWidth(child));
                maxW = std::max(maxW, MaxWidth(child));
            }
        }
        const bool fixedWidth = s.width.unit == Length::Px;
        const int extra = Horizontal(s, 0, false);
        if (fixedWidth)
            minW = maxW = s.width.Resolve(0) + (SizesBorderBox(e) ? 0 : extra);
        else if (e->Tag() != L"table" && s.display != Display::Table) {
            minW += extra;
            maxW += extra;
        }
        const int margins = s.margin[kLeft].Resolve(0) + s.margin[kRight].Resolve(0);
        e->box.minWidth = minW + margins;
        e->box.maxWidth = std::max(minW, maxW) + margins;
    }

    void AtomicSize(Element* e, Item& item) {
        const ComputedStyle& s = StyleOf(e);
        const FontMetrics fm = m_measure.Metrics(s);
        int w = 0, h = 0;
        if (e->Tag() == L"img") {
            const bool hasImage = e->image && e->image->Valid();
            const std::wstring alt = e->AttributeOr(L"alt");
            w = s.width.unit == Length::Px ? s.width.Resolve(0) : -1;
            h = s.height.unit == Length::Px ? s.height.Resolve(0) : -1;
            if (hasImage) {
                if (w < 0 && h < 0) {
                    w = e->image->width;
                    h = e->image->height;
                } else if (w < 0) {
                    w = e->image->width * h / std::max(1, e->image->height);
                } else if (h < 0) {
                    h = e->image->height * w / std::max(1, e->image->width);
                }
            } else {
                if (w < 0) w = alt.empty() ? 0 : m_measure.Width(s, alt.c_str(), static_cast<int>(alt.size())) + 6;
                if (h < 0) h = alt.empty() ? 0 : fm.Height() + 4;
            }
            w += s.borderWidth[kLeft] + s.borderWidth[kRight];
            h += s.borderWidth[kTop] + s.borderWidth[kBottom];
        } else {
            const int chars = std::max(1, _wtoi(e->AttributeOr(L"size", L"3").c_str()));
            w = chars * std::max(1, m_measure.Width(s, L"0", 1)) + 8 + (IsNumberInput(e) ? kSpinWidth : 0);
            h = fm.Height() + 6;
            if (!s.width.IsAuto()) w = s.width.Resolve(0, w);
        }
        const int ml = s.margin[kLeft].Resolve(0), mr = s.margin[kRight].Resolve(0);
        const int mt = s.margin[kTop].Resolve(0), mb = s.margin[kBottom].Resolve(0);
        item.kind = Item::Atomic;
        item.owner = e;
        item.style = &s;
        item.width = w + ml + mr;
        item.height = h + mt + mb;
        if (s.verticalAlign == VerticalAlign::Middle || e->Tag() == L"input") {
            item.ascent = item.height / 2 + fm.ascent / 2 - fm.descent / 2;
            item.descent = item.height - item.ascent;
        } else {
            item.ascent = item.height;
            item.descent = 0;
        }
    }

    void Gather(Element* e, std::vector<Item>& items, const ComputedStyle* parentStyle, bool asBlocks) {
        if (e->IsText()) {
            GatherText(e, *parentStyle, items);
            return;
        }
        if (Hidden(e)) return;
        const ComputedStyle& s = StyleOf(e);
        const std::wstring& tag = e->Tag();
        if (tag == L"br") {
            Item item;
            item.kind = Item::Break;
            item.owner = e;
            item.style = &s;
            items.push_back(item);
            return;
        }
        if (tag == L"img" || (tag == L"input" && !IsCheckBox(e))) {
            if (tag == L"input" && ToLower(e->AttributeOr(L"type")) == L"hidden") return;
            Item item;
            AtomicSize(e, item);
            item.glued = Glued(items);
            items.push_back(item);
            return;
        }
        if (asBlocks || s.display == Display::InlineBlock || IsBlockLevel(e)) {
            Item item;
            item.kind = Item::Block;
            item.owner = e;
            item.style = &s;
            item.width = MaxWidth(e);
            item.glued = Glued(items);
            items.push_back(item);
            return;
        }
        if (IsCheckBox(e)) {
            Item mark;
            mark.kind = Item::CheckMark;
            mark.owner = e;
            mark.style = &s;
            mark.width = kCheckBoxSize + kCheckBoxGap;
            mark.height = kCheckBoxSize;
            const FontMetrics fm = m_measure.Metrics(s);
            mark.ascent = std::min(kCheckBoxSize, std::max(fm.ascent, kCheckBoxSize / 2 + fm.ascent / 2));
            mark.descent = kCheckBoxSize - mark.ascent;
            mark.glued = Glued(items);
            items.push_back(mark);
        }
        // Margins, borders and padding of an inline element push its neighbours aside.
        const int left = s.margin[kLeft].Resolve(0) + s.borderWidth[kLeft] + s.padding[kLeft].Resolve(0);
        const int right = s.margin[kRight].Resolve(0) + s.borderWidth[kRight] + s.padding[kRight].Resolve(0);
        if (left > 0) items.push_back(SpacerItem(e, left, Glued(items)));
        const size_t before = items.size();
        for (Element* child : e->Children()) Gather(child, items, &s, false);
        if (items.size() == before) {
            // An empty element (an A NAME anchor) still gets a place to jump to.
            Item marker;
            marker.kind = Item::Marker;
            marker.owner = e;
            marker.style = &s;
            marker.glued = Glued(items);
            items.push_back(marker);
        }
        if (right > 0) items.push_back(SpacerItem(e, right, true));
    }

    static Item SpacerItem(Element* e, int width, bool glued) {
        Item item;
        item.kind = Item::Spacer;
        item.owner = e;
        item.style = e->style.get();
        item.width = width;
        item.glued = glued;
        return item;
    }

    static bool Glued(const std::vector<Item>& items) {
        return !items.empty() && items.back().kind != Item::Space && items.back().kind != Item::Break;
    }

    void GatherText(Element* node, const ComputedStyle& s, std::vector<Item>& items) {
        Element* owner = node->Parent();
        const std::wstring& text = node->Text();
        const FontMetrics fm = m_measure.Metrics(s);
        auto word = [&](const std::wstring& w) {
            Item item;
            item.kind = Item::Word;
            item.owner = owner;
            item.style = &s;
            item.text = w;
            item.width = m_measure.Width(s, w.c_str(), static_cast<int>(w.size()));
            item.ascent = fm.ascent;
            item.descent = fm.descent;
            item.glued = Glued(items);
            items.push_back(std::move(item));
        };
        if (s.preserveSpace) {
            size_t start = 0;
            for (size_t i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != L'\n') continue;
                std::wstring line = text.substr(start, i - start);
                std::replace(line.begin(), line.end(), L'\t', L' ');
                if (!line.empty() && line.back() == L'\r') line.pop_back();
                if (!line.empty()) word(line);
                if (i < text.size()) {
                    Item br;
                    br.kind = Item::Break;
                    br.owner = owner;
                    br.style = &s;
                    items.push_back(br);
                }
                start = i + 1;
            }
            return;
        }
        size_t i = 0;
        while (i < text.size()) {
            if (IsSpace(text[i])) {
                while (i < text.size() && IsSpace(text[i])) ++i;
                if (!items.empty() && items.back().kind != Item::Space && items.back().kind != Item::Break) {
                    Item space;
                    space.kind = Item::Space;
                    space.owner = owner;
                    space.style = &s;
                    space.width = m_measure.Width(s, L" ", 1);
                    space.ascent = fm.ascent;
                    space.descent = fm.descent;
                    items.push_back(space);
                }
                continue;
            }
            const size_t start = i;
            while (i < text.size() && !IsSpace(text[i])) ++i;
            word(text.substr(start, i - start));
        }
    }

    struct Placed {
        const Item* item;
        std::wstring text;  // a part of a word cut by characters
        int x;
        int width;
    };

    int LayoutInline(Element* container, const std::vector<Element*>& nodes, int x, int y, int width, bool horizontal) {
        const ComputedStyle& cs = StyleOf(container);
        std::vector<Item> items;
        for (Element* n : nodes) Gather(n, items, container->style.get(), horizontal);
        if (std::all_of(items.begin(), items.end(), [](const Item& i) { return i.kind == Item::Space; })) return 0;
        const bool noWrap = cs.noWrap || horizontal;
        int cursorY = y;
        std::vector<Placed> line;
        int lineX = cs.textIndent;
        int pendingSpace = 0;
        const Item* pendingSpaceItem = nullptr;
        auto finishLine = [&](const Item* breakItem) {
            FinishLine(line, x, cursorY, width, cs, breakItem);
            line.clear();
            lineX = 0;
            pendingSpace = 0;
        };
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            if (item.kind == Item::Break) {
                finishLine(&item);
                continue;
            }
            if (item.kind == Item::Space) {
                if (!line.empty()) {
                    pendingSpace = item.width;
                    pendingSpaceItem = &item;
                }
                continue;
            }
            if (!item.glued || line.empty()) {
                int group = item.width;
                for (size_t j = i + 1; j < items.size() && items[j].glued; ++j) group += items[j].width;
                if (!noWrap && !line.empty() && lineX + pendingSpace + group > width) finishLine(nullptr);
            }
            if (!line.empty() && pendingSpace) {
                // A blank inside underlined text is drawn, so that the line does not break.
                const ComputedStyle& spaceStyle = *pendingSpaceItem->style;
                if ((spaceStyle.underline || spaceStyle.lineThrough) && pendingSpaceItem->owner == item.owner)
                    line.push_back({pendingSpaceItem, L" ", x + lineX, pendingSpace});
                lineX += pendingSpace;
            }
            pendingSpace = 0;
            if (item.kind == Item::Word && !noWrap && item.width > width - lineX) {
                // A word longer than the line is cut by characters, summing their widths so
                // that a word of a million characters costs no more than its length.
                const std::wstring& text = item.text;
                size_t pos = 0;
                while (pos < text.size()) {
                    size_t end = pos;
                    int fitWidth = 0;
                    while (end < text.size()) {
                        const int w = fitWidth + m_measure.Width(*item.style, text.c_str() + end, 1);
                        if (lineX + w > width) break;
                        fitWidth = w;
                        ++end;
                    }
                    if (end == text.size()) {
                        line.push_back({&item, text.substr(pos), x + lineX, fitWidth});
                        lineX += fitWidth;
                        break;
                    }
                    if (end == pos && line.empty()) {
                        fitWidth = m_measure.Width(*item.style, text.c_str() + pos, 1);
                        ++end;
                    }
                    if (end > pos) line.push_back({&item, text.substr(pos, end - pos), x + lineX, fitWidth});
                    pos = end;
                    finishLine(nullptr);
                }
                continue;
            }
            line.push_back({&item, item.text, x + lineX, item.width});
            lineX += item.width;
        }
        if (!line.empty()) finishLine(nullptr);
        return cursorY - y;
    }

    void FinishLine(std::vector<Placed>& line, int x, int& cursorY, int width, const ComputedStyle& cs,
                    const Item* breakItem) {
        if (line.empty()) {
            if (breakItem) cursorY += m_measure.Metrics(*breakItem->style).Height();
            return;
        }
        int ascent = 0, descent = 0;
        for (const Placed& p : line) {
            if (p.item->kind == Item::Block || p.item->kind == Item::Marker || p.item->kind == Item::Spacer) continue;
            ascent = std::max(ascent, p.item->ascent);
            descent = std::max(descent, p.item->descent);
        }
        // Blocks in a horizontal flow are laid out now, to learn their heights.
        std::vector<int> blockHeights(line.size(), 0);
        for (size_t i = 0; i < line.size(); ++i) {
            const Placed& p = line[i];
            if (p.item->kind != Item::Block) continue;
            Element* e = p.item->owner;
            const ComputedStyle& s = StyleOf(e);
            const int mt = s.margin[kTop].Resolve(0), mb = s.margin[kBottom].Resolve(0);
            const int ml = s.margin[kLeft].Resolve(0), mr = s.margin[kRight].Resolve(0);
            const int h = LayoutBlock(e, p.x, cursorY + mt, p.width, -1, std::max(0, p.width - ml - mr));
            blockHeights[i] = h + mt + mb;
            ascent = std::max(ascent, blockHeights[i]);
        }
        const int lineWidth = line.back().x + line.back().width - x;
        int shift = 0;
        if (cs.textAlign == TextAlign::Center) shift = std::max(0, (width - lineWidth) / 2);
        if (cs.textAlign == TextAlign::Right) shift = std::max(0, width - lineWidth);
        const int baseline = cursorY + ascent;
        for (size_t i = 0; i < line.size(); ++i) {
            const Placed& p = line[i];
            const Item& item = *p.item;
            const int left = p.x + shift;
            if (item.kind == Item::Spacer) continue;
            if (item.kind == Item::Block) {
                Element* e = item.owner;
                // Blocks of a horizontal line sit on its bottom, like pictures.
                ShiftSubtree(e, shift, baseline - blockHeights[i] - cursorY);
                continue;
            }
            Fragment f;
            f.owner = item.owner;
            f.style = item.style;
            f.baseline = baseline;
            f.text = p.text;
            switch (item.kind) {
                case Item::Word:
                case Item::Space:
                    f.kind = Fragment::Text;
                    f.rect = {left, baseline - item.ascent, left + p.width, baseline + item.descent};
                    break;
                case Item::Atomic: {
                    const ComputedStyle& s = *item.style;
                    const int top = baseline - item.ascent;
                    f.kind = Fragment::Atomic;
                    f.rect = {left + s.margin[kLeft].Resolve(0), top + s.margin[kTop].Resolve(0),
                              left + item.width - s.margin[kRight].Resolve(0),
                              top + item.height - s.margin[kBottom].Resolve(0)};
                    break;
                }
                case Item::CheckMark: {
                    f.kind = Fragment::CheckMark;
                    const int top = baseline - item.ascent;
                    f.rect = {left, top, left + kCheckBoxSize, top + kCheckBoxSize};
                    break;
                }
                default:
                    f.kind = Fragment::Marker;
                    f.rect = {left, cursorY, left, cursorY + std::max(1, ascent + descent)};
                    break;
            }
            m_result.fragments.push_back(std::move(f));
        }
        cursorY += ascent + descent;
    }

    void ShiftSubtree(Element* e, int dx, int dy) {
        if (dx == 0 && dy == 0) return;
        for (size_t i = e->box.fragBegin; i < e->box.fragEnd && i < m_result.fragments.size(); ++i)
            Offset(m_result.fragments[i].rect, dx, dy), m_result.fragments[i].baseline += dy;
        std::vector<Element*> pending{e};
        while (!pending.empty()) {
            Element* n = pending.back();
            pending.pop_back();
            if (n->box.placed && n->box.block) Offset(n->box.border, dx, dy);
            for (Element* child : n->Children()) pending.push_back(child);
        }
    }

    // Tables.
    struct Cell {
        Element* e;
        int column;
        int span;
    };
    struct TableGrid {
        std::vector<Element*> rows;
        std::vector<std::vector<Cell>> cells;
        int columns = 0;
    };

    static int Spacing(const Element* table) {
        const std::wstring* v = table->FindAttribute(L"cellspacing");
        return v ? std::max(0, _wtoi(v->c_str())) : 2;
    }

    TableGrid BuildGrid(Element* table) {
        TableGrid grid;
        auto addRow = [&](Element* row) {
            std::vector<Cell> cells;
            int column = 0;
            for (Element* c : row->Children()) {
                if (c->IsText() || Hidden(c)) continue;
                if (c->Tag() != L"td" && c->Tag() != L"th" && StyleOf(c).display != Display::TableCell) continue;
                const int span = std::min(1000, std::max(1, _wtoi(c->AttributeOr(L"colspan", L"1").c_str())));
                cells.push_back({c, column, span});
                column += span;
            }
            grid.columns = std::max(grid.columns, column);
            grid.rows.push_back(row);
            grid.cells.push_back(std::move(cells));
        };
        for (Element* child : table->Children()) {
            if (child->IsText() || Hidden(child)) continue;
            if (child->Tag() == L"tr") {
                addRow(child);
            } else if (child->Tag() == L"tbody" || child->Tag() == L"thead" || child->Tag() == L"tfoot") {
                for (Element* row : child->Children())
                    if (!row->IsText() && row->Tag() == L"tr" && !Hidden(row)) addRow(row);
            }
        }
        return grid;
    }

    void ColumnWidths(const TableGrid& grid, std::vector<int>& mins, std::vector<int>& maxs, std::vector<int>& fixed,
                      std::vector<int>& percent) {
        const size_t n = static_cast<size_t>(grid.columns);
        mins.assign(n, 0);
        maxs.assign(n, 0);
        fixed.assign(n, 0);
        percent.assign(n, 0);
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& row : grid.cells) {
                for (const Cell& c : row) {
                    if ((c.span == 1) != (pass == 0)) continue;
                    const ComputedStyle& s = StyleOf(c.e);
                    const int minW = MinWidth(c.e), maxW = MaxWidth(c.e);
                    if (c.span == 1) {
                        const size_t col = static_cast<size_t>(c.column);
                        mins[col] = std::max(mins[col], minW);
                        maxs[col] = std::max(maxs[col], maxW);
                        if (s.width.unit == Length::Px) fixed[col] = std::max(fixed[col], s.width.Resolve(0));
                        if (s.width.unit == Length::Percent)
                            percent[col] = std::max(percent[col], static_cast<int>(s.width.value));
                        continue;
                    }
                    int haveMin = 0, haveMax = 0;
                    for (int k = 0; k < c.span; ++k) {
                        haveMin += mins[static_cast<size_t>(c.column + k)];
                        haveMax += maxs[static_cast<size_t>(c.column + k)];
                    }
                    for (int k = 0; k < c.span; ++k) {
                        const size_t col = static_cast<size_t>(c.column + k);
                        if (minW > haveMin) mins[col] += (minW - haveMin) / c.span;
                        if (maxW > haveMax) maxs[col] += (maxW - haveMax) / c.span;
                    }
                }
            }
        }
        for (size_t c = 0; c < n; ++c) maxs[c] = std::max(maxs[c], mins[c]);
    }

    int LayoutTable(Element* table, int x, int y, int availWidth, int cbHeight, int forcedWidth) {
        const ComputedStyle& s = StyleOf(table);
        TableGrid grid = BuildGrid(table);
        const int spacing = Spacing(table);
        const int frame = Horizontal(s, availWidth, false);
        const int ml = s.margin[kLeft].Resolve(availWidth), mr = s.margin[kRight].Resolve(availWidth);
        std::vector<int> mins, maxs, fixed, percent;
        ColumnWidths(grid, mins, maxs, fixed, percent);
        const int n = grid.columns;
        const int gaps = spacing * (n + 1) + frame;
        int width;
        const bool autoWidth = s.width.IsAuto() && forcedWidth < 0;
        if (forcedWidth >= 0)
            width = forcedWidth;
        else if (!autoWidth)
            width = s.width.Resolve(availWidth);
        else
            width = std::min(std::max(0, availWidth - ml - mr), MaxWidth(table) - ml - mr);
        width = std::max(width, MinWidth(table) - ml - mr);
        const int inner = std::max(0, width - gaps);
        std::vector<int> cols(static_cast<size_t>(n), 0);
        int assigned = 0;
        std::vector<size_t> autos;
        for (size_t c = 0; c < cols.size(); ++c) {
            if (percent[c] > 0)
                cols[c] = std::max(mins[c], inner * percent[c] / 100);
            else if (fixed[c] > 0)
                cols[c] = std::max(mins[c], fixed[c]);
            else
                autos.push_back(c);
            assigned += cols[c];
        }
        int remaining = inner - assigned;
        int sumMax = 0, sumMin = 0;
        for (size_t c : autos) sumMax += maxs[c], sumMin += mins[c];
        if (!autos.empty()) {
            if (sumMax <= remaining) {
                const int leftover = remaining - sumMax;
                for (size_t c : autos)
                    cols[c] =
                        maxs[c] + (sumMax > 0 ? static_cast<int>(static_cast<long long>(leftover) * maxs[c] / sumMax)
                                              : leftover / static_cast<int>(autos.size()));
            } else {
                const int room = std::max(0, remaining - sumMin);
                const int span = sumMax - sumMin;
                for (size_t c : autos)
                    cols[c] =
                        mins[c] +
                        (span > 0 ? static_cast<int>(static_cast<long long>(room) * (maxs[c] - mins[c]) / span) : 0);
            }
        } else if (remaining > 0 && n > 0 && !autoWidth) {
            const int total = std::max(1, assigned);
            for (size_t c = 0; c < cols.size(); ++c)
                cols[c] += static_cast<int>(static_cast<long long>(remaining) * cols[c] / total);
        }
        int used = gaps;
        for (int w : cols) used += w;
        width = std::max(width, used);
        int left = x + ml;
        if (s.margin[kLeft].IsAuto() && s.margin[kRight].IsAuto()) left = x + std::max(0, (availWidth - width) / 2);
        const int innerLeft = left + s.borderWidth[kLeft] + s.padding[kLeft].Resolve(availWidth);
        const int innerTop = y + s.borderWidth[kTop] + s.padding[kTop].Resolve(availWidth);
        std::vector<int> colX(cols.size() + 1, innerLeft + spacing);
        for (size_t c = 0; c < cols.size(); ++c) colX[c + 1] = colX[c] + cols[c] + spacing;

        int cursor = innerTop + spacing;
        std::vector<int> rowTops, rowHeights;
        for (size_t r = 0; r < grid.rows.size(); ++r) {
            Element* row = grid.rows[r];
            const ComputedStyle& rs = StyleOf(row);
            int rowHeight = rs.height.unit == Length::Px ? rs.height.Resolve(0) : 0;
            for (const Cell& c : grid.cells[r]) {
                const size_t first = static_cast<size_t>(c.column);
                const size_t last = static_cast<size_t>(c.column + c.span);
                const int cellWidth = colX[last] - colX[first] - spacing;
                const int h = LayoutBlock(c.e, colX[first], cursor, cellWidth, -1, cellWidth);
                rowHeight = std::max(rowHeight, h);
            }
            row->box.border = {innerLeft, cursor, innerLeft + width - frame, cursor + rowHeight};
            row->box.placed = true;
            row->box.block = true;
            rowTops.push_back(cursor);
            rowHeights.push_back(rowHeight);
            cursor += rowHeight + spacing;
        }
        int height = cursor - y + s.borderWidth[kBottom] + s.padding[kBottom].Resolve(availWidth);
        if (grid.rows.empty()) height = Vertical(s, availWidth);
        int specified = -1;
        if (s.height.unit == Length::Px || (s.height.unit == Length::Percent && cbHeight >= 0))
            specified = s.height.Resolve(cbHeight);
        if (specified > height && !grid.rows.empty()) {
            // The extra height goes to the rows in proportion to their own.
            const int extra = specified - height;
            int total = 0;
            for (int h : rowHeights) total += h;
            int given = 0;
            for (size_t r = 0; r < rowHeights.size(); ++r) {
                const int add =
                    r + 1 == rowHeights.size()
                        ? extra - given
                        : (total > 0 ? static_cast<int>(static_cast<long long>(extra) * rowHeights[r] / total)
                                     : extra / static_cast<int>(rowHeights.size()));
                rowTops[r] += given;
                rowHeights[r] += add;
                given += add;
            }
            height = specified;
        }
        for (size_t r = 0; r < grid.rows.size(); ++r) {
            Element* row = grid.rows[r];
            const int dy = rowTops[r] - row->box.border.top;
            row->box.border = {innerLeft, rowTops[r], innerLeft + width - frame, rowTops[r] + rowHeights[r]};
            for (const Cell& c : grid.cells[r]) {
                ShiftSubtree(c.e, 0, dy);
                const int cellHeight = c.e->box.border.bottom - c.e->box.border.top;
                const VerticalAlign va = StyleOf(c.e).verticalAlign;
                // Cells keep no baseline of their own: a baseline cell sits at the top.
                const int room = rowHeights[r] - cellHeight;
                const int offset = va == VerticalAlign::Middle ? room / 2 : va == VerticalAlign::Bottom ? room : 0;
                if (offset > 0) {
                    ShiftSubtree(c.e, 0, offset);
                    c.e->box.border.top -= offset;
                }
                c.e->box.border.bottom = c.e->box.border.top + rowHeights[r];
            }
        }
        table->box.border = {left, y, left + width, y + height};
        table->box.placed = true;
        table->box.block = true;
        return height;
    }

    ITextMeasure& m_measure;
    LayoutResult& m_result;
    int m_viewportHeight;
};

void ResetBoxes(Element* root) {
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        e->box = ElementBox();
        for (Element* child : e->Children()) pending.push_back(child);
    }
}

// Inline elements cover the pieces of their content.
void UniteInlineBoxes(LayoutResult& result) {
    for (const Fragment& f : result.fragments) {
        for (Element* e = f.owner; e; e = e->Parent()) {
            if (e->box.block) break;
            if (!e->box.placed) {
                e->box.border = f.rect;
                e->box.placed = true;
            } else {
                RECT& b = e->box.border;
                b.left = std::min(b.left, f.rect.left);
                b.top = std::min(b.top, f.rect.top);
                b.right = std::max(b.right, f.rect.right);
                b.bottom = std::max(b.bottom, f.rect.bottom);
            }
        }
    }
}

}  // namespace

void LayoutDocument(Element* root, int viewportWidth, int viewportHeight, ITextMeasure& measure, LayoutResult& result) {
    result = LayoutResult();
    if (!root) return;
    ResetBoxes(root);
    CLayout layout(measure, result, viewportHeight);
    const int height = layout.LayoutBlock(root, 0, 0, std::max(0, viewportWidth), viewportHeight);
    UniteInlineBoxes(result);
    result.width = std::max(viewportWidth, static_cast<int>(root->box.border.right));
    result.height = height;
    for (const Fragment& f : result.fragments) result.height = std::max(result.height, static_cast<int>(f.rect.bottom));
}

Element* HitTest(Element* root, const LayoutResult& layout, POINT point) {
    for (auto it = layout.fragments.rbegin(); it != layout.fragments.rend(); ++it) {
        if (it->kind == Fragment::Marker || it->kind == Fragment::Bullet) continue;
        if (PtInRect(&it->rect, point)) return it->owner;
    }
    Element* found = nullptr;
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        if (e->IsText() || !e->box.placed || !PtInRect(&e->box.border, point)) continue;
        found = e;
        pending.clear();
        for (Element* child : e->Children()) pending.push_back(child);
    }
    return found;
}

Element* FindAnchor(Element* root, const std::wstring& name) {
    if (name.empty()) return nullptr;
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        if (!e->IsText()) {
            const std::wstring* n = e->Tag() == L"a" ? e->FindAttribute(L"name") : nullptr;
            const std::wstring* id = e->FindAttribute(L"id");
            if ((n && *n == name) || (id && *id == name)) return e;
        }
        const auto& children = e->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
    return nullptr;
}

bool IsNumberInput(const Element* e) {
    if (e->IsText() || e->Tag() != L"input") return false;
    const std::wstring type = ToLower(e->AttributeOr(L"type", L"text"));
    return type == L"number" || type == L"integer" || type == L"numeric";
}

bool IsCheckBox(const Element* e) {
    if (e->IsText()) return false;
    if (e->Tag() != L"widget" && e->Tag() != L"input") return false;
    return ToLower(e->AttributeOr(L"type")) == L"checkbox";
}

UINT ControlType(const Element* e) {
    if (!e || e->IsText()) return CTL_NO;
    if (IsNumberInput(e)) return CTL_NUMERIC;
    if (IsCheckBox(e)) return CTL_CHECKBOX;
    if (e->Tag() == L"a" && e->HasAttribute(L"href")) return CTL_HYPERLINK;
    return CTL_NO;
}

Element* ControlOf(Element* e) {
    for (; e; e = e->Parent())
        if (ControlType(e) != CTL_NO) return e;
    return nullptr;
}

void NumberBounds(const Element* e, int& low, int& high) {
    const std::wstring* lo = e->FindAttribute(L"minvalue");
    if (!lo) lo = e->FindAttribute(L"min");
    const std::wstring* hi = e->FindAttribute(L"maxvalue");
    if (!hi) hi = e->FindAttribute(L"max");
    low = lo ? _wtoi(lo->c_str()) : INT_MIN;
    high = hi ? _wtoi(hi->c_str()) : INT_MAX;
    if (low > high) std::swap(low, high);
}

int NumberValue(const Element* e) {
    const std::wstring text = e->editing ? e->editText : e->AttributeOr(L"value");
    int low, high;
    NumberBounds(e, low, high);
    const long long v = wcstoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::min<long long>(high, std::max<long long>(low, v)));
}

}  // namespace hl
