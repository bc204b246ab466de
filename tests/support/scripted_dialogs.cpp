#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

const char* toString(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Message:
        return "message";
    case ScriptedDialogs::Kind::YesNo:
        return "Yes/No question";
    case ScriptedDialogs::Kind::YesNoCancel:
        return "Yes/No/Cancel question";
    case ScriptedDialogs::Kind::OkCancel:
        return "OK/Cancel dialog";
    case ScriptedDialogs::Kind::NameDialog:
        return "name dialog";
    case ScriptedDialogs::Kind::SaveFile:
        return "save-file dialog";
    case ScriptedDialogs::Kind::Choice:
        return "question with its own buttons";
    }
    return "?";
}

ScriptedDialogs::~ScriptedDialogs()
{
    for (const Expected& left : expected_)
        ADD_FAILURE() << "expected " << toString(left.kind) << " \"" << left.text.toStdString()
                      << "\" was never shown";
}

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& text, std::optional<QString> caption)
{
    expected_.push_back({Kind::Message, std::move(caption), text, DialogAnswer::Ok, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectYesNo(const QString& caption, const QString& text, DialogAnswer answer)
{
    expected_.push_back({Kind::YesNo, caption, text, answer, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectYesNoBeginning(const QString& caption, const QString& textStart,
                                                       DialogAnswer answer)
{
    Expected expected{Kind::YesNo, caption, textStart, answer, {}, {}};
    expected.textIsStart = true;
    expected_.push_back(std::move(expected));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectYesNoCancel(const QString& caption, const QString& text,
                                                    DialogAnswer answer)
{
    expected_.push_back({Kind::YesNoCancel, caption, text, answer, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectYesNoCancelContaining(const QString& caption, const QStringList& textParts,
                                                              DialogAnswer answer)
{
    Expected expected{Kind::YesNoCancel, caption, textParts.join(QStringLiteral(" ... ")), answer, {}, {}};
    expected.parts = textParts;
    expected_.push_back(expected);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectOkCancel(const QString& question, bool ok)
{
    expected_.push_back({Kind::OkCancel, std::nullopt, question, ok ? DialogAnswer::Ok : DialogAnswer::Cancel,
                         {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectNameDialog(const QString& panelText, DialogAnswer answer,
                                                   std::optional<QString> typed, std::optional<QString> caption)
{
    expected_.push_back({Kind::NameDialog, std::move(caption), panelText, answer, std::move(typed), {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectChoice(const QString& caption, const QString& textPart, int chosen,
                                               std::optional<bool> ticked)
{
    Expected expected{Kind::Choice, caption, textPart, DialogAnswer::Ok, {}, {}};
    expected.chosen = chosen;
    expected.ticked = ticked;
    expected_.push_back(expected);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectSaveFile(const QString& fileName, std::optional<QString> chosenPath)
{
    expected_.push_back({Kind::SaveFile, std::nullopt, fileName,
                         chosenPath ? DialogAnswer::Ok : DialogAnswer::Cancel, {}, std::move(chosenPath)});
    return *this;
}

std::optional<ScriptedDialogs::Expected> ScriptedDialogs::take(Kind kind, const QString& caption,
                                                                 const QString& text)
{
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected " << toString(kind) << ": caption \"" << caption.toStdString()
                      << "\", text \"" << text.toStdString() << "\"";
        return std::nullopt;
    }
    Expected next = expected_.front();
    const bool sameKind = next.kind == kind;
    const bool sameText = !next.parts.isEmpty()
        ? std::all_of(next.parts.begin(), next.parts.end(), [&](const QString& part) { return text.contains(part); })
        : kind == Kind::Choice ? text.contains(next.text)
        : next.textIsStart     ? text.startsWith(next.text)
                               : next.text == text;
    const bool sameCaption = !next.caption || *next.caption == caption;
    if (!sameKind || !sameText || !sameCaption) {
        ADD_FAILURE() << "expected " << toString(next.kind) << " \"" << next.text.toStdString() << "\""
                      << (next.caption ? " with caption \"" + next.caption->toStdString() + "\"" : std::string())
                      << ", but got " << toString(kind) << " \"" << text.toStdString() << "\" with caption \""
                      << caption.toStdString() << "\"";
        return std::nullopt;
    }
    expected_.pop_front();
    return next;
}

void ScriptedDialogs::message(const QString& text, const QString& caption)
{
    shown_.push_back({Kind::Message, caption, text, {}, {}, {}, {}});
    take(Kind::Message, caption, text);
}

DialogAnswer ScriptedDialogs::askYesNo(const QString& caption, const QString& text)
{
    shown_.push_back({Kind::YesNo, caption, text, {}, {}, {}, {}});
    auto next = take(Kind::YesNo, caption, text);
    return next ? next->answer : DialogAnswer::No;
}

DialogAnswer ScriptedDialogs::askYesNoWithDetails(const QString& caption, const QString& text,
                                                  const QString& details)
{
    shown_.push_back({Kind::YesNo, caption, text, {}, details, {}, {}});
    auto next = take(Kind::YesNo, caption, text);
    return next ? next->answer : DialogAnswer::No;
}

DialogAnswer ScriptedDialogs::askYesNoCancel(const QString& caption, const QString& text)
{
    shown_.push_back({Kind::YesNoCancel, caption, text, {}, {}, {}, {}});
    auto next = take(Kind::YesNoCancel, caption, text);
    return next ? next->answer : DialogAnswer::Cancel;
}

bool ScriptedDialogs::confirmOkCancel(const QString& question)
{
    shown_.push_back({Kind::OkCancel, {}, question, {}, {}, {}, {}});
    auto next = take(Kind::OkCancel, {}, question);
    return next && next->answer == DialogAnswer::Ok;
}

int ScriptedDialogs::askChoice(const QString& caption, const QString& text, const QStringList& choices)
{
    shown_.push_back({Kind::Choice, caption, text, {}, {}, choices, {}});
    auto next = take(Kind::Choice, caption, text);
    if (next && next->ticked)
        ADD_FAILURE() << "expected a check box under \"" << text.toStdString() << "\", but it had none";
    if (!next || next->chosen < 0 || next->chosen >= choices.size())
        return static_cast<int>(choices.size()) - 1;
    return next->chosen;
}

int ScriptedDialogs::askChoiceWithCheckBox(const QString& caption, const QString& text, const QStringList& choices,
                                           const QString& checkBoxText, bool& ticked)
{
    shown_.push_back({Kind::Choice, caption, text, {}, {}, choices, checkBoxText});
    auto next = take(Kind::Choice, caption, text);
    ticked = next && next->ticked.value_or(false);
    if (!next || next->chosen < 0 || next->chosen >= choices.size())
        return static_cast<int>(choices.size()) - 1;
    return next->chosen;
}

std::optional<QString> ScriptedDialogs::askSaveFileName(const SaveFileRequest& request)
{
    shown_.push_back({Kind::SaveFile, {}, request.fileName, {}, {}, {}, {}});
    auto next = take(Kind::SaveFile, {}, request.fileName);
    if (!next)
        return std::nullopt;
    return next->chosenPath;
}

bool ScriptedDialogs::showNameDialog(NameDialogState& state)
{
    shown_.push_back({Kind::NameDialog, state.caption, state.panelText, state, {}, {}, {}});
    auto next = take(Kind::NameDialog, state.caption, state.panelText);
    if (!next)
        return false;
    if (next->typed)
        state.editText = *next->typed;
    return next->answer == DialogAnswer::Ok;
}
