#pragma once

#include "core/list/displaymodel.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>

class QLabel;
class QPushButton;

namespace lorvanta {

// The list of the result pane: rows with their numbers, header rows drawn
// apart and never selected, keys for moving through it.
class ResultList final : public QListWidget {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);
    void setRows(const ListDisplayModel& model);
    // The next row in `step` direction that is no header, from `from`.
    int selectableFrom(int from, int step) const;

Q_SIGNALS:
    void activated(int row); // Enter
    void moved(int row);     // the selection moved by a key
    void escape();
    void deleteRow(int row);                         // Delete
    void movePinned(int row, bool up, int position); // Ctrl(+Shift)+Up/Down

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The pane under the input window: the candidate list, a text box for
// longer output, and the expanded editor.
class ResultPane final : public QWidget {
    Q_OBJECT
public:
    explicit ResultPane(QWidget* parent = nullptr);

    ResultList& list() { return *list_; }
    void showRows(const ListDisplayModel& model, int selected, bool focus);
    void showInfoText(const QString& text, bool focus);
    bool infoShown() const;
    void openExpandedEdit(const QString& text, int caret, bool focus, bool f4Toggle);
    bool editShown() const;
    // The editor's text and caret, as the input box has them.
    void setEditText(const QString& text, int caret);
    int editCaret() const;
    // Hides the custom elements (text box, editor), the list comes back.
    void dismissCustomElements();
    QString editText() const;

Q_SIGNALS:
    void executeEdit(const QString& text);
    // The editor was closed (Escape) with its caret there.
    void editClosed(int caret);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResultList* list_;
    QPlainTextEdit* info_;
    QWidget* editPanel_;
    QLabel* editCaption_;
    QPlainTextEdit* edit_;
    QPushButton* execute_;
};

} // namespace lorvanta
