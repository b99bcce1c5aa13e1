#pragma once

#include "controller/MessageFolders.h"

#include <QAbstractItemModelTester>

#include <memory>

// A message of one or more parts, with its ID text set as the loader sets it.
struct Msg
{
    int Id = 1;
    QString Number = "+15550100";
    QString Date = "01.02.2024";
    QString Time = "10:00:00";
    QString Text = "text";
    QString Name;
    int Reference = 0;
    int PartsTotal = 0;
    int PartNumber = 0;
    QString Ids; // default: the ID
};

inline std::unique_ptr<SmsData> MakeSms(const Msg& m)
{
    auto sms = std::make_unique<SmsData>();
    sms->AddUnit(m.Id, m.Number, m.PartsTotal, m.PartNumber, m.Reference, QString(), m.Time, m.Date, m.Text);
    sms->Ids = m.Ids.isEmpty() ? QString::number(m.Id) : m.Ids;
    if (!m.Name.isEmpty())
        sms->SetName(m.Name);
    return sms;
}

// Adds with the ID text as caption, so the order reads back from column 0.
inline SmsData* AddMsg(FolderModel& model, const Msg& m, bool sorted = true, int image = ImageRead)
{
    auto sms = MakeSms(m);
    const QString caption = sms->Ids;
    return model.Add(std::move(sms), image, caption, sorted);
}

inline QStringList CaptionsInOrder(const FolderModel& model)
{
    QStringList out;
    for (int i = 0; i < model.rowCount(); ++i)
        out << model.Caption(model.At(i));
    return out;
}

// Any inconsistency between the model's signals and its contents aborts the test run.
struct Checked
{
    explicit Checked(Folder folder)
        : Model(folder), Tester(&Model, QAbstractItemModelTester::FailureReportingMode::Fatal)
    { }
    FolderModel Model;
    QAbstractItemModelTester Tester;
};
