#include "app/markup/MarkupToolBar.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QMenu>
#include <QToolButton>

#include <array>

#include "app/markup/MarkupIcons.h"
#include "kit/MarkupStyle.h"

namespace {

// Names of the palette's colours, in its order.
constexpr std::array<const char*, 8> colourNames{
    QT_TRANSLATE_NOOP("MarkupToolBar", "Red"),   QT_TRANSLATE_NOOP("MarkupToolBar", "Orange"),
    QT_TRANSLATE_NOOP("MarkupToolBar", "Yellow"), QT_TRANSLATE_NOOP("MarkupToolBar", "Green"),
    QT_TRANSLATE_NOOP("MarkupToolBar", "Blue"),  QT_TRANSLATE_NOOP("MarkupToolBar", "Purple"),
    QT_TRANSLATE_NOOP("MarkupToolBar", "Black"), QT_TRANSLATE_NOOP("MarkupToolBar", "White"),
};
constexpr std::array<const char*, 3> strokeNames{QT_TRANSLATE_NOOP("MarkupToolBar", "Thin"),
                                                 QT_TRANSLATE_NOOP("MarkupToolBar", "Medium"),
                                                 QT_TRANSLATE_NOOP("MarkupToolBar", "Thick")};
constexpr std::array<const char*, 4> textSizeNames{
    QT_TRANSLATE_NOOP("MarkupToolBar", "Small Text"), QT_TRANSLATE_NOOP("MarkupToolBar", "Medium Text"),
    QT_TRANSLATE_NOOP("MarkupToolBar", "Large Text"), QT_TRANSLATE_NOOP("MarkupToolBar", "Huge Text")};

} // namespace

MarkupToolBar::MarkupToolBar(QWidget* parent) : QToolBar(tr("Markup Tools"), parent) {
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(22, 22));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);

    auto* group = new QActionGroup(this);
    for (const MarkupToolInfo& info : MarkupTools::all()) {
        QAction* action = addAction(MarkupIcons::tool(info.tool), MarkupTools::name(info.tool));
        action->setCheckable(true);
        action->setShortcut(QKeySequence(QString::fromLatin1(info.key)));
        action->setToolTip(tr("%1 (%2)").arg(MarkupTools::name(info.tool), QString::fromLatin1(info.key)));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, tool = info.tool] { emit toolChosen(tool); });
        tools_[info.tool] = action;
    }
    addSeparator();
    addChoices();
}

QToolButton* MarkupToolBar::menuButton(const QString& tip) {
    auto* button = new QToolButton(this);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(new QMenu(button));
    addWidget(button);
    return button;
}

void MarkupToolBar::addChoices() {
    colourButton_ = menuButton(tr("Colour"));
    QMenu* colours = colourButton_->menu();
    for (std::size_t i = 0; i < kit::MarkupStyle::palette.size(); ++i) {
        const auto rgb = kit::MarkupStyle::palette[i];
        const QColor colour(rgb.red, rgb.green, rgb.blue);
        QAction* action = colours->addAction(MarkupIcons::colour(colour), tr(colourNames[i]));
        connect(action, &QAction::triggered, this, [this, colour] { emit colourChosen(colour); });
    }
    colours->addSeparator();
    connect(colours->addAction(tr("Other Colour…")), &QAction::triggered, this, [this] {
        const QColor chosen = QColorDialog::getColor(colour_, window(), tr("Colour"));
        if (chosen.isValid()) emit colourChosen(chosen);
    });

    strokeButton_ = menuButton(tr("Line Width"));
    strokes_ = new QActionGroup(this);
    for (std::size_t i = 0; i < kit::MarkupStyle::strokeWidths.size(); ++i) {
        const double width = kit::MarkupStyle::strokeWidths[i];
        QAction* action = strokeButton_->menu()->addAction(MarkupIcons::stroke(width), tr(strokeNames[i]));
        action->setCheckable(true);
        action->setData(width);
        strokes_->addAction(action);
        connect(action, &QAction::triggered, this, [this, width] { emit strokeChosen(width); });
    }

    filled_ = addAction(MarkupIcons::filled(), tr("Fill"));
    filled_->setCheckable(true);
    filled_->setToolTip(tr("Fill rectangles and ellipses"));
    connect(filled_, &QAction::triggered, this, [this](bool on) { emit filledChosen(on); });

    textSizeButton_ = menuButton(tr("Text Size"));
    textSizes_ = new QActionGroup(this);
    for (std::size_t i = 0; i < kit::MarkupStyle::textSizes.size(); ++i) {
        const double size = kit::MarkupStyle::textSizes[i];
        QAction* action = textSizeButton_->menu()->addAction(MarkupIcons::textSize(size), tr(textSizeNames[i]));
        action->setCheckable(true);
        action->setData(size);
        textSizes_->addAction(action);
        connect(action, &QAction::triggered, this, [this, size] { emit textSizeChosen(size); });
    }

    textBox_ = addAction(MarkupIcons::textBox(), tr("Text Background"));
    textBox_->setCheckable(true);
    textBox_->setToolTip(tr("Put text on a box of the colour"));
    connect(textBox_, &QAction::triggered, this, [this](bool on) { emit textBoxChosen(on); });
}

void MarkupToolBar::showTool(MarkupTool tool) {
    tools_.at(tool)->setChecked(true);
}

void MarkupToolBar::showStyle(const MarkupItem::Style& style) {
    colour_ = style.colour;
    colourButton_->setIcon(MarkupIcons::colour(style.colour));
    strokeButton_->setIcon(MarkupIcons::stroke(style.stroke));
    textSizeButton_->setIcon(MarkupIcons::textSize(style.textSize));
    for (QAction* action : strokes_->actions()) action->setChecked(action->data().toDouble() == style.stroke);
    for (QAction* action : textSizes_->actions()) action->setChecked(action->data().toDouble() == style.textSize);
    filled_->setChecked(style.filled);
    textBox_->setChecked(style.textBox);
}
