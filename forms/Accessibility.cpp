#include "forms/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>

#include <map>

namespace {

const char* const ActivePageOnly = "adoxActivePageOnly";

// Whether an item shows a check box the user ticks: items are user-checkable
// by default, a check box appears only with a check state.
bool HasCheckBox(const QListWidgetItem& Item) {
    return (Item.flags() & Qt::ItemIsUserCheckable) && Item.data(Qt::CheckStateRole).isValid();
}

// An item of a list widget: its text, whether it is ticked, and the toggle
// action that ticks it, as a click on its check box does.
class CheckItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CheckItemAccessible(QListWidget* List, const QModelIndex& Index) : FList(List), FIndex(Index) {}

    bool isValid() const override { return FList && FIndex.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FList ? FList->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(FList); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    // A check box by role: the bridge passes no "checkable" state, and the
    // role is what makes a screen reader say "non selezionato".
    QAccessible::Role role() const override {
        const QListWidgetItem* I = Item();
        return I && HasCheckBox(*I) ? QAccessible::CheckBox : QAccessible::ListItem;
    }

    QString text(QAccessible::Text Kind) const override {
        const QListWidgetItem* I = Item();
        if (!I) return {};
        switch (Kind) {
        case QAccessible::Name: return I->text();
        case QAccessible::Description: return I->toolTip() == I->text() ? QString() : I->toolTip();
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const QListWidgetItem* I = Item();
        if (!I) return {};
        const QRect R = FList->visualItemRect(I);
        return QRect(FList->viewport()->mapToGlobal(R.topLeft()), R.size());
    }

    QAccessible::State state() const override {
        QAccessible::State S;
        const QListWidgetItem* I = Item();
        if (!I) {
            S.invalid = true;
            return S;
        }
        const Qt::ItemFlags Flags = I->flags();
        S.checkable = HasCheckBox(*I);
        S.checked = I->checkState() == Qt::Checked;
        S.disabled = !(Flags & Qt::ItemIsEnabled) || !FList->isEnabled();
        S.focusable = true;
        S.focused = FList->hasFocus() && FList->currentIndex() == FIndex;
        S.invisible = !FList->isVisible();
        S.offscreen = !FList->viewport()->rect().intersects(FList->visualItemRect(I));
        return S;
    }

    void* interface_cast(QAccessible::InterfaceType Type) override {
        return Type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        const QListWidgetItem* I = Item();
        if (!I) return {};
        QStringList Names;
        if (HasCheckBox(*I)) Names << toggleAction();
        Names << setFocusAction();
        return Names;
    }
    void doAction(const QString& Name) override {
        QListWidgetItem* I = Item();
        if (!I || !(I->flags() & Qt::ItemIsEnabled) || !FList->isEnabled()) return;
        if (Name == toggleAction() && HasCheckBox(*I)) {
            I->setCheckState(I->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        } else if (Name == setFocusAction()) {
            FList->setCurrentItem(I);
            FList->setFocus(Qt::OtherFocusReason);
        }
    }
    QStringList keyBindingsForAction(const QString& Name) const override {
        return Name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
    }

    int Row() const { return FIndex.row(); }

private:
    QListWidgetItem* Item() const { return isValid() ? FList->item(FIndex.row()) : nullptr; }

    QPointer<QListWidget> FList;
    QPersistentModelIndex FIndex;
};

// A list widget whose items are CheckItemAccessible, kept in Qt's cache and
// made again when the rows change.
class CheckListAccessible : public QAccessibleWidget {
public:
    explicit CheckListAccessible(QListWidget* Widget) : QAccessibleWidget(Widget, QAccessible::List) {
        // A tick, by key, click or action, is read out as the item's new state.
        QObject::connect(Widget, &QListWidget::itemChanged, Widget, [this](QListWidgetItem* Item) {
            QAccessibleInterface* Child = child(List()->row(Item));
            if (!Child) return;
            QAccessible::State Changed;
            Changed.checked = true;
            QAccessibleStateChangeEvent Event(Child, Changed);
            QAccessible::updateAccessibility(&Event);
        });
    }
    ~CheckListAccessible() override {
        for (const auto& [Row, Id] : FItems) QAccessible::deleteAccessibleInterface(Id);
    }
    CheckListAccessible(const CheckListAccessible&) = delete;
    CheckListAccessible& operator=(const CheckListAccessible&) = delete;

    int childCount() const override { return List()->count(); }
    QAccessibleInterface* child(int Index) const override {
        if (Index < 0 || Index >= List()->count()) return nullptr;
        auto Found = FItems.find(Index);
        if (Found != FItems.end()) {
            auto* Known = static_cast<CheckItemAccessible*>(QAccessible::accessibleInterface(Found->second));
            if (Known && Known->isValid() && Known->Row() == Index) return Known;
            QAccessible::deleteAccessibleInterface(Found->second);
            FItems.erase(Found);
        }
        auto* Made = new CheckItemAccessible(List(), List()->model()->index(Index, 0));
        FItems[Index] = QAccessible::registerAccessibleInterface(Made);
        return Made;
    }
    int indexOfChild(const QAccessibleInterface* Child) const override {
        for (const auto& [Row, Id] : FItems)
            if (QAccessible::accessibleInterface(Id) == Child) return Row;
        return -1;
    }
    QAccessibleInterface* childAt(int X, int Y) const override {
        const QPoint At = List()->viewport()->mapFromGlobal(QPoint(X, Y));
        const QModelIndex Index = List()->indexAt(At);
        return Index.isValid() ? child(Index.row()) : nullptr;
    }

private:
    QListWidget* List() const { return static_cast<QListWidget*>(object()); }
    mutable std::map<int, QAccessible::Id> FItems;
};

// The page stack of a page control that shows only its active page.
class ActivePageStackAccessible : public QAccessibleWidget {
public:
    explicit ActivePageStackAccessible(QStackedWidget* Stack)
        : QAccessibleWidget(Stack, QAccessible::LayeredPane) {}
    int childCount() const override { return Stack()->currentWidget() ? 1 : 0; }
    QAccessibleInterface* child(int Index) const override {
        return Index == 0 && Stack()->currentWidget()
                   ? QAccessible::queryAccessibleInterface(Stack()->currentWidget())
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* Child) const override {
        return Child && Child->object() && Child->object() == Stack()->currentWidget() ? 0 : -1;
    }

private:
    QStackedWidget* Stack() const { return static_cast<QStackedWidget*>(object()); }
};

// A page control that shows only its active page: named after that page, its
// one child the page stack; the hidden tab bar is not in the tree.
class ActivePageControlAccessible : public QAccessibleWidget {
public:
    explicit ActivePageControlAccessible(QTabWidget* Pages) : QAccessibleWidget(Pages, QAccessible::Pane) {}
    QString text(QAccessible::Text Kind) const override {
        if (Kind == QAccessible::Name && Pages()->currentWidget())
            return Pages()->currentWidget()->accessibleName();
        return QAccessibleWidget::text(Kind);
    }
    int childCount() const override { return Stack() ? 1 : 0; }
    QAccessibleInterface* child(int Index) const override {
        return Index == 0 && Stack() ? QAccessible::queryAccessibleInterface(Stack()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* Child) const override {
        return Child && Child->object() && Child->object() == Stack() ? 0 : -1;
    }

private:
    QTabWidget* Pages() const { return static_cast<QTabWidget*>(object()); }
    QStackedWidget* Stack() const {
        return Pages()->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

QAccessibleInterface* Factory(const QString& ClassName, QObject* Object) {
    if (ClassName == QLatin1String("QListWidget"))
        return new CheckListAccessible(static_cast<QListWidget*>(Object));
    if (ClassName == QLatin1String("QTabWidget") && Object->property(ActivePageOnly).toBool())
        return new ActivePageControlAccessible(static_cast<QTabWidget*>(Object));
    if (ClassName == QLatin1String("QStackedWidget") && Object->parent() &&
        Object->parent()->property(ActivePageOnly).toBool())
        return new ActivePageStackAccessible(static_cast<QStackedWidget*>(Object));
    return nullptr;
}

// Scroll bars have no text of their own; a screen reader says which one it is on.
class ScrollBarNamer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::Polish)
            if (auto* Bar = qobject_cast<QScrollBar*>(Watched); Bar && Bar->accessibleName().isEmpty())
                Bar->setAccessibleName(Bar->orientation() == Qt::Vertical
                                           ? QStringLiteral("Scorrimento verticale")
                                           : QStringLiteral("Scorrimento orizzontale"));
        return false;
    }
};

} // namespace

void InstallAccessibility() {
    static bool Installed = false;
    if (Installed || !qApp) return;
    Installed = true;
    QAccessible::installFactory(Factory);
    qApp->installEventFilter(new ScrollBarNamer(qApp));
}

void ExposeActivePageOnly(QTabWidget* Pages) {
    Pages->setProperty(ActivePageOnly, true);
}

void AnnounceActivePage(QTabWidget* Pages) {
    QAccessibleEvent Event(Pages, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&Event);
}

void AcceptChosenItem(QComboBox* Box) {
    QObject::connect(Box->view()->selectionModel(), &QItemSelectionModel::selectionChanged, Box,
                     [Box](const QItemSelection& Selected) {
                         if (Box->view()->isVisible() || Selected.indexes().isEmpty()) return;
                         const int Row = Selected.indexes().first().row();
                         if (Row != Box->currentIndex()) Box->setCurrentIndex(Row);
                     });
}
