#include "resultpane.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace lorvanta {

namespace {

constexpr int kHeaderRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;

// Plain rows in the desktop's palette: headers dimmed and centred, the
// row numbers at the right edge.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.data(kHeaderRole).toBool()) {
            p->save();
            p->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
            p->drawText(option.rect, Qt::AlignCenter, index.data().toString());
            p->restore();
            return;
        }
        QStyledItemDelegate::paint(p, option, index);
        const QString number = index.data(kNumberRole).toString();
        if (number.isEmpty()) return;
        p->save();
        const bool selected = option.state & QStyle::State_Selected;
        p->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        p->drawText(option.rect.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, number);
        p->restore();
    }
};

} // namespace

ResultList::ResultList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new RowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
}

void ResultList::setRows(const ListDisplayModel& model) {
    // Most keystrokes leave the rows as they are: nothing to rebuild then,
    // only the selection goes, as it would with new rows.
    const auto& rows = model.rows();
    bool same = count() == int(rows.size());
    for (int i = 0; same && i < count(); ++i)
        same = item(i)->text() == rows[size_t(i)].text &&
               item(i)->data(kNumberRole).toString() == rows[size_t(i)].number;
    if (same) {
        setCurrentRow(-1);
        return;
    }
    setUpdatesEnabled(false);
    clear();
    for (const ListDisplayModel::Row& row : model.rows()) {
        auto* item = new QListWidgetItem(row.text, this);
        item->setData(kHeaderRole, row.header);
        item->setData(kNumberRole, row.number);
        if (row.header) item->setFlags(Qt::ItemIsEnabled);
    }
    setUpdatesEnabled(true);
}

int ResultList::selectableFrom(int from, int step) const {
    for (int i = from; i >= 0 && i < count(); i += step)
        if (!item(i)->data(kHeaderRole).toBool()) return i;
    return -1;
}

void ResultList::keyPressEvent(QKeyEvent* event) {
    const int row = currentRow();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row >= 0) Q_EMIT activated(row);
        return;
    case Qt::Key_Escape:
        Q_EMIT escape();
        return;
    case Qt::Key_Delete:
        if (row >= 0) Q_EMIT deleteRow(row);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl) {
            if (row >= 0)
                Q_EMIT movePinned(row, event->key() == Qt::Key_Up,
                                  shift ? (event->key() == Qt::Key_Up ? 1 : 2) : 0);
            return;
        }
        target = selectableFrom(row + (event->key() == Qt::Key_Up ? -1 : 1),
                                event->key() == Qt::Key_Up ? -1 : 1);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = std::max(1, viewport()->height() / std::max(1, sizeHintForRow(0)) - 1);
        const int step = event->key() == Qt::Key_PageUp ? -1 : 1;
        const int start = std::clamp(row + step * page, 0, count() - 1);
        target = selectableFrom(start, step);
        if (target < 0) target = selectableFrom(start, -step);
        break;
    }
    case Qt::Key_Home:
        target = selectableFrom(0, 1);
        break;
    case Qt::Key_End:
        target = selectableFrom(count() - 1, -1);
        break;
    default:
        QListWidget::keyPressEvent(event);
        return;
    }
    if (target >= 0 && target != row) {
        setCurrentRow(target);
        Q_EMIT moved(target);
    }
}

ResultPane::ResultPane(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("ResultPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    list_ = new ResultList(this);
    info_ = new QPlainTextEdit(this);
    info_->setReadOnly(true);
    info_->hide();
    editPanel_ = new QWidget(this);
    auto* editLayout = new QVBoxLayout(editPanel_);
    editLayout->setContentsMargins(4, 4, 4, 4);
    editCaption_ = new QLabel(editPanel_);
    edit_ = new QPlainTextEdit(editPanel_);
    edit_->setObjectName(QStringLiteral("ExpandedEdit"));
    execute_ = new QPushButton(QStringLiteral("Execute"), editPanel_);
    editLayout->addWidget(editCaption_);
    editLayout->addWidget(edit_);
    editLayout->addWidget(execute_, 0, Qt::AlignRight);
    editPanel_->hide();
    layout->addWidget(list_);
    layout->addWidget(info_);
    layout->addWidget(editPanel_);
    edit_->installEventFilter(this);
    info_->installEventFilter(this);
    connect(execute_, &QPushButton::clicked, this,
            [this] { Q_EMIT executeEdit(edit_->toPlainText()); });
}

void ResultPane::showRows(const ListDisplayModel& model, int selected, bool focus) {
    list_->setRows(model);
    if (selected >= 0) list_->setCurrentRow(selected);
    if (!isVisible()) show();
    if (focus) {
        raise();
        activateWindow();
        list_->setFocus();
    }
}

void ResultPane::showInfoText(const QString& text, bool focus) {
    info_->setPlainText(text);
    list_->hide();
    editPanel_->hide();
    info_->show();
    show();
    if (focus) {
        activateWindow();
        info_->setFocus();
    }
}

bool ResultPane::infoShown() const {
    return info_->isVisible();
}
bool ResultPane::editShown() const {
    return editPanel_->isVisible();
}
QString ResultPane::editText() const {
    return edit_->toPlainText();
}

void ResultPane::setEditText(const QString& text, int caret) {
    edit_->setPlainText(text);
    QTextCursor c = edit_->textCursor();
    c.setPosition(std::clamp(caret, 0, int(text.size())));
    edit_->setTextCursor(c);
}

int ResultPane::editCaret() const {
    return edit_->textCursor().position();
}

void ResultPane::openExpandedEdit(const QString& text, int caret, bool focus, bool f4Toggle) {
    setEditText(text, caret);
    const QString toggle = f4Toggle ? QStringLiteral("F4") : QStringLiteral("F10");
    editCaption_->setText(width() > 440
                              ? QStringLiteral("Edit text - Ctrl+Enter = Execute, Esc = Close, ") +
                                    toggle + QStringLiteral(" = Toggle")
                              : QStringLiteral("Edit text"));
    list_->hide();
    info_->hide();
    editPanel_->show();
    show();
    if (focus) {
        activateWindow();
        edit_->setFocus();
    }
}

void ResultPane::dismissCustomElements() {
    info_->hide();
    editPanel_->hide();
    list_->show();
}

bool ResultPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            const bool wasEdit = watched == edit_;
            dismissCustomElements();
            if (wasEdit) Q_EMIT editClosed(editCaret());
            return true;
        }
        if (watched == edit_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() & Qt::ControlModifier) {
            Q_EMIT executeEdit(edit_->toPlainText());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lorvanta
