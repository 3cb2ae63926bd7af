// A widget of a form by its object name. A missing one ends the test
// program: every later step would only report the same fault again.
#pragma once

#include <QObject>
#include <QString>

template <typename T>
T* child(QObject& form, const QString& name)
{
    T* w = form.findChild<T*>(name);
    if (!w)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return w;
}
