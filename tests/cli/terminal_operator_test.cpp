// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's answers to the dialogs and prompts an operation raises.

#include "cli/terminal_operator.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/enter_prompt.h"

namespace dspprog {
namespace {

struct Terminal {
    explicit Terminal(DialogAnswers answers = {}, const char* typed = nullptr,
                      bool progress = false)
        : typed_in(typed ? typed : ""),
          op(out, err, typed ? &typed_in : nullptr, std::move(answers), progress) {}

    std::ostringstream out;
    std::ostringstream err;
    std::istringstream typed_in;
    TerminalOperator op;
};

TEST(CliTerminalOperator, LogLinesGoOutAndBoxesGoToTheErrorStream) {
    Terminal t;
    t.op.Log("");
    t.op.Log("+++ Начало чтения чипа.");
    t.op.ErrorBox("Команду _BurstRead не принято");
    EXPECT_EQ(t.out.str(), "\n+++ Начало чтения чипа.\n");
    EXPECT_EQ(t.err.str(), "Команду _BurstRead не принято\n");
}

TEST(CliTerminalOperator, EachFileDialogHasOneAnswer) {
    DialogAnswers answers;
    answers.save_file = "out.bin";
    answers.open_file = "in.bin";
    Terminal t(answers);
    EXPECT_EQ(t.op.ChooseSaveFile(), "out.bin");
    EXPECT_EQ(t.op.ChooseSaveFile(), std::nullopt);
    EXPECT_EQ(t.op.ChooseOpenFile(), "in.bin");
    EXPECT_EQ(t.op.ChooseOpenFile(), std::nullopt);
    EXPECT_EQ(Terminal().op.ChooseSaveFile(), std::nullopt);
}

TEST(CliTerminalOperator, OkCancelIsCancelUnlessSomeoneTypesYes) {
    Terminal nobody;
    EXPECT_FALSE(nobody.op.OkCancelBox("Размер файла больше размера чипа!"));
    EXPECT_EQ(nobody.err.str(), "Размер файла больше размера чипа! [OK/Cancel]: Cancel\n");

    Terminal person({}, "Y\n\nno\nда\n");
    EXPECT_TRUE(person.op.OkCancelBox("A"));
    EXPECT_FALSE(person.op.OkCancelBox("B"));
    EXPECT_FALSE(person.op.OkCancelBox("C"));
    EXPECT_TRUE(person.op.OkCancelBox("D"));
    EXPECT_FALSE(person.op.OkCancelBox("E"));  // the input has ended
    EXPECT_EQ(person.err.str(), "A OK? [y/N] B OK? [y/N] C OK? [y/N] D OK? [y/N] E OK? [y/N] \n");
}

TEST(CliTerminalOperator, TheStallAnswerComesFromTheOptionOrTheTerminal) {
    DialogAnswers wait;
    wait.on_stall = StallAnswer::Wait;
    EXPECT_EQ(Terminal(wait).op.ShowCriticalError("x"), CriticalPrompt::kRetry);
    DialogAnswers terminate;
    terminate.on_stall = StallAnswer::Terminate;
    EXPECT_EQ(Terminal(terminate, "w\n").op.ShowCriticalError("x"), CriticalPrompt::kAbort);
    EXPECT_EQ(Terminal().op.ShowCriticalError("x"), CriticalPrompt::kAbort);

    Terminal person({}, "?\nп\n\nT\n");
    EXPECT_EQ(person.op.ShowCriticalError("В USB не записано :16 байт!"), CriticalPrompt::kRetry);
    EXPECT_EQ(person.op.ShowCriticalError("again"), CriticalPrompt::kAbort);
    EXPECT_EQ(person.op.ShowCriticalError("at the end of input"), CriticalPrompt::kAbort);
}

// "й" is the key of "q" in the Russian layout, where the prompt is read.
TEST(CliTerminalOperator, QOrItsRussianKeyEndsASeriesAndAnyOtherLineGoesOn) {
    const std::vector<std::pair<std::string, NextChip>> cases = {
        {"q\n", NextChip::Finish},   {" Q \n", NextChip::Finish}, {"й\n", NextChip::Finish},
        {"Й\r\n", NextChip::Finish}, {"\n", NextChip::Go},        {"йй\n", NextChip::Go},
        {"", NextChip::Finish}};
    for (const auto& [typed, next] : cases) {
        std::istringstream in(typed);
        std::ostringstream err;
        EXPECT_EQ(EnterPrompt(&in, err).AskNext({}), next) << typed;
    }
}

TEST(CliTerminalOperator, TheProgressBarIsDrawnInPlaceAndWipedBeforeText) {
    Terminal quiet;
    quiet.op.Progress(1, 2);
    EXPECT_EQ(quiet.err.str(), "");

    Terminal t({}, nullptr, true);
    t.op.Progress(0, 4);
    t.op.Progress(1, 4);
    t.op.Log("line");
    t.op.Progress(4, 4);
    const std::string empty_bar = "[" + std::string(40, ' ') + "] 0/4";
    const std::string quarter = "[" + std::string(10, '#') + std::string(30, ' ') + "] 1/4";
    const std::string wipe = "\r" + std::string(quarter.size(), ' ') + "\r";
    EXPECT_EQ(t.err.str(), "\r" + empty_bar + "\r" + quarter + wipe);
    EXPECT_EQ(t.out.str(), "line\n");
}

}  // namespace
}  // namespace dspprog
