#pragma once
// The passwords page: the entry list lstUser with its filter box, the entry editor below it and
// the record commands of the page. The main window shows it and calls add, save, remove and
// cancel; Show, Generate, Print and Filter are connected to the page where the window is put
// together. The page edits in passwords_view.cpp, is built and laid out in passwords_view_layout.cpp,
// lists in passwords_view_list.cpp, searches and copies by keyboard in passwords_view_keys.cpp.

#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pages/page.h"
#include "entries/locale_dates.h"
#include "entries/print_master_list.h"
#include "store/profile.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QToolButton;
class QTreeView;
class QModelIndex;

namespace keyloft {

namespace platform {
class Clipboard;
}

class EntryListModel;
class GeneratorOptionsRow;
class StrengthLabel;
class SearchBox;

// The heights of the entry list and the editor as the user left them ("300,240").
inline constexpr char16_t kSettingEntrySplit[] = u"EntrySplit";

class PasswordsView : public Page {
    Q_OBJECT
  public:
    using TodayProvider = std::function<QDate()>;

    // windowFilterBox: the window's own filter box (cboFilter), which the page fills and follows.
    PasswordsView(PageServices services, platform::Clipboard& clipboard, TodayProvider today, QWidget* parent,
                  QComboBox* windowFilterBox);
    ~PasswordsView() override;

    // The page: refresh fills the filter and category boxes and the list afresh; save checks and
    // stores the editor's entry (at the profile's end) and lists it; remove deletes the chosen
    // entry; forgetProfile leaves no row, list item or box with profile data.
    void pageShown(bool shown) override;
    void refresh() override;
    void add() override;
    bool save() override;
    void remove() override;
    void forgetProfile() override;

    // Filter pressed or released: the filter box usable, or back to every entry.
    void filter(bool pressed);
    // Generate: a new password of the editor's chosen length and alphabet in both password boxes
    // (asking first when one is typed already).
    void generate();
    // For Show: the entry of the selected row (which then becomes the current row); nothing when no
    // row is selected.
    std::optional<Entry> selectedEntry();
    // Ctrl+F: the cursor into the search box, its text chosen.
    void focusSearch();
    // Ctrl+C and Ctrl+B: the password or the user code of the entry in the editor onto the
    // clipboard. The status bar says which was copied (never what), or why nothing was.
    enum class CopiedField { Password, UserCode };
    void copyEntryField(CopiedField field);
    // For Print: the listed rows in list order (the password in clear, the expiry as shown).
    std::vector<MasterListRow> masterListRows() const;

  protected:
    // Moving through the list with the keyboard chooses a row as a click does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Building (passwords_view_layout.cpp; connecting in passwords_view.cpp).
    void buildWidgets(QComboBox* windowFilterBox);
    void connectEditor();

    // The list (passwords_view_list.cpp).
    void fillEntryList();
    void fillCombo(QComboBox* box, const QString& firstItem);
    void sortByColumn(int column);  // a click on a column heading
    void filterSelected();
    void filterTyped();
    // The search box changed: the list shows the matching entries, the chosen one stays chosen.
    void searchChanged();
    int selectedListRow() const;
    void selectListRow(int row);
    // The list's click: the chosen row's entry into the editor (asking first about unsaved edits).
    void selectEntryRow();
    // The entry the last save stored, chosen as a click chooses it and scrolled into view
    // (nothing when the filter does not list it).
    void selectSavedEntry();
    void rowChosen();
    static CommandStates freshCommands();

    // The editor (passwords_view.cpp).
    void loadEntryIntoEditor();
    void clearEntryEditor();
    void boxChanged();
    void copyPassword();  // the copy button
    // The masked boxes leave Ctrl+C to the window's copy key (they cannot copy their own text).
    bool leaveCopyKeyToWindow(QObject* watched, QEvent* event) const;
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageAnswer defaultAnswer = MessageAnswer::Ok);
    const LocaleDateReader& dateReader();

    // Heights of the list and the editor (passwords_view_layout.cpp). The first showing puts back
    // the ones in the settings; without them, it gives the editor its full height and the list the
    // rest, as long as the list keeps its fewest rows.
    static constexpr int kFewestListRows = 8;
    void setSplit(const QList<int>& sizes);
    int listHeightFor(int rows) const;
    std::optional<QList<int>> savedSplit();
    void keepFewestRows();

    platform::Clipboard& clipboard_;
    TodayProvider today_;
    EntryListModel* model_ = nullptr;
    std::optional<LocaleDateReader> reader_;
    bool expiryWarned_ = false;
    int currentPosition_ = 0;  // row position of the current row; 0 when none since the last rebuild
    int savedPosition_ = 0;    // position of the entry the last save stored; 0 when none
    QSplitter* splitter_ = nullptr;
    QWidget* editor_ = nullptr;
    QScrollArea* editorScroll_ = nullptr;
    bool splitSet_ = false;

    // Controls, named as their objectName.
    QTreeView* entryList = nullptr;
    SearchBox* searchBox = nullptr;
    QComboBox* filterBox = nullptr;
    QComboBox* categoryBox = nullptr;
    QLineEdit* descriptionBox = nullptr;
    QLineEdit* userCodeBox = nullptr;
    QLineEdit* passwordBox = nullptr;
    QLineEdit* confirmBox = nullptr;
    QPlainTextEdit* notesBox = nullptr;
    QLineEdit* expiryBox = nullptr;
    QLineEdit* webSiteBox = nullptr;
    QLineEdit* emailBox = nullptr;
    QLabel* newEntryLabel = nullptr;
    StrengthLabel* strengthLabel = nullptr;
    GeneratorOptionsRow* generatorOptions_ = nullptr;
    QToolButton* copyButton = nullptr;
};

}  // namespace keyloft
