#pragma once
// The passwords page: the entry list lstUser with its filter box, the entry editor below it and
// the record commands of the page. The main window shows it and calls add, save, remove and
// cancel; Show, Generate, Print and Filter are connected to the page where the window is put
// together.

#include <QDate>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pages/page.h"
#include "entries/locale_dates.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QToolButton;
class QTreeView;
class QModelIndex;

namespace keyloft {

namespace platform {
class Clipboard;
}

class EntryListModel;

// The heights of the entry list and the editor as the user left them ("300,240").
inline constexpr char16_t kSettingEntrySplit[] = u"EntrySplit";

class PasswordsView : public Page {
    Q_OBJECT
public:
    using TodayProvider = std::function<QDate()>;

    // filterBox: the window's own filter box, when it has one; otherwise the view makes its own
    // (hidden until ShowPasswords; the window places it with filterBox()).
    PasswordsView(PageServices services, platform::Clipboard& clipboard, TodayProvider today,
                  QWidget* parent = nullptr, QComboBox* filterBox = nullptr);
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

    // The filter box: created here, placed by the window (for instance in its record toolbar).
    QComboBox* filterBox() const { return cboFilter; }

    // List.
    void FillEntryList();
    void FillCombo(QComboBox* box, const QString& firstItem);
    static int FindListIndex(const QComboBox* box, const QString& text);
    void SortByColumn(int column);  // a click on a column heading

    // Editor.
    void SelectEntryRow();  // the list's click
    void LoadEntryIntoEditor();
    void ClearEntryEditor();
    // The entry the last save stored, chosen as a click chooses it and scrolled into view
    // (nothing when the filter does not list it).
    void SelectSavedEntry();

    // Filter pressed or released: the filter box usable, or back to every entry.
    void Filter(bool pressed);
    void Generate();
    void CopyPassword();  // the copy button

    // For the pop-up: the entry of the selected row split at "|" (which then becomes the current
    // row); nothing when no row is selected.
    std::optional<std::vector<std::u16string>> selectedEntryFields();
    // For printing: the listed rows in list order, eight values each (category, description,
    // user code, password in clear, notes, expiry as shown, web site, e-mail).
    std::vector<QStringList> rowsInListOrder() const;

    // Inspection.
    QTreeView* list() const { return lstUser; }
    QSplitter* splitter() const { return splitter_; }
    EntryListModel* listModel() const { return model_; }
    bool newMarkerVisible() const;
    int currentRowPosition() const { return currentPosition_; }

    // Heights of the list and the editor. The first showing puts back the ones in the settings;
    // without them, it gives the editor its full height when the list keeps 8 rows.
    void setSplit(const QList<int>& sizes);

protected:
    // Moving through the list with the keyboard chooses a row as a click does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int eightRowsHeight() const;
    std::optional<QList<int>> savedSplit();
    void keepEightRows();

private:
    void buildWidgets(QComboBox* filterBox);
    void connectEditor();
    void boxChanged();
    void filterSelected();
    void filterTyped();
    int selectedListRow() const;
    void selectListRow(int row);
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None,
                       MessageButtons buttons = MessageButtons::Ok,
                       MessageAnswer defaultAnswer = MessageAnswer::Ok);
    const LocaleDateReader& dateReader();
    static CommandStates freshCommands();
    void rowChosen();

    platform::Clipboard& clipboard_;
    TodayProvider today_;
    EntryListModel* model_ = nullptr;
    std::optional<LocaleDateReader> reader_;
    bool expiryWarned_ = false;
    int currentPosition_ = 0;  // row position of the current row; 0 when none since the last rebuild
    int savedPosition_ = 0;
    QSplitter* splitter_ = nullptr;
    QWidget* editor_ = nullptr;
    bool splitSet_ = false;
    QLabel* lblCategory_ = nullptr;    // position of the entry the last save stored; 0 when none

public:
    // Controls, named as the window's other views expect them.
    QTreeView* lstUser = nullptr;
    QComboBox* cboFilter = nullptr;
    QComboBox* cboCategory = nullptr;
    QLineEdit* txtUserDesc = nullptr;
    QLineEdit* txtUserCode = nullptr;
    QLineEdit* txtUserpass = nullptr;
    QLineEdit* txtuserconfirm = nullptr;
    QPlainTextEdit* txtSource = nullptr;
    QLineEdit* txtExpiry = nullptr;
    QLineEdit* txtWeb = nullptr;
    QLineEdit* txtEmail = nullptr;
    QLabel* lblNewUser = nullptr;
    QToolButton* cmdCopyClip = nullptr;
};

}  // namespace keyloft
