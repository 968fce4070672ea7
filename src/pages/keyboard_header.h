#pragma once
// Column headings that the keyboard sorts by as the mouse does. Tab reaches them (a click does
// not move the focus there); Left and Right, Home and End choose a heading, which is framed while
// the headings have the focus; Space or Enter sorts by it exactly as a click on it does. What is
// chosen is the headings' accessible description, so that a screen reader says it.

#include <QHeaderView>

class QTreeView;

namespace keyloft {

class KeyboardHeader final : public QHeaderView {
    Q_OBJECT
  public:
    // Becomes the headings of `list` (named after it: "lstUser" gives "lstUserHeadings").
    explicit KeyboardHeader(QTreeView* list);

    int chosenSection() const { return chosen_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    // The next heading the user can see from `visual` on, in `step`'s direction; -1 when none.
    int shownSectionFrom(int visual, int step) const;
    void choose(int logicalIndex);

    int chosen_ = -1;
};

}  // namespace keyloft
