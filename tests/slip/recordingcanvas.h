#pragma once

#include "slip/slipcanvas.h"

#include <QColor>
#include <QList>
#include <QString>

#include <functional>

// A canvas that records every text with the font and brush in force when it was
// drawn, so that tests see the running font state as the printer would.
class RecordingCanvas : public slip::SlipCanvas
{
public:
    struct Item
    {
        int x;
        int y;
        QString text;
        QString fontName;
        double fontSize;
        QColor fontColor;
        QColor brushColor;
    };

    void setFontName(const QString &name) override { ++calls; m_name = name; }
    void setFontSize(double points) override { ++calls; m_size = points; }
    void setFontColor(const QColor &color) override { ++calls; m_color = color; }
    void setBrushColor(const QColor &color) override { ++calls; m_brush = color; }
    void textOut(int x, int y, const QString &text) override
    {
        ++calls;
        if (beforeText)
            beforeText(text);
        items.append({x, y, text, m_name, m_size, m_color, m_brush});
    }

    // The first item with this text, or nullptr.
    const Item *find(const QString &text) const
    {
        for (const Item &item : items) {
            if (item.text == text)
                return &item;
        }
        return nullptr;
    }

    QList<Item> items;
    int calls = 0;
    // Called before a text is recorded; a test may throw from it.
    std::function<void(const QString &)> beforeText;

private:
    QString m_name = QStringLiteral("(unset)");
    double m_size = -1;
    QColor m_color;
    QColor m_brush;
};
