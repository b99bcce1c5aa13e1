#pragma once
// The main window's actions, named in the code: a misspelt name does not compile, where a look-up
// by text would give a null action at run time. Each action's object name is its enum name, which
// menus, tool bar and tests see.

#include <QString>

// clang-format off
#define PARLOWEN_MAIN_ACTIONS(X) \
    X(AboutAction) X(AlwaysOnTopAction) X(AppCloseConfirmationAction) X(AppHideAction) X(AppOpenAction) \
    X(BalloonNotificationAction) X(ClearLogAction) X(ConnectAction) X(ContactsDeleteAction) \
    X(ContactsExportAction) X(ContactsImportAction) X(ContactsMessageAction) X(ContactsNewAction) \
    X(ContactsOpenAction) X(ContactsSimAction) X(ContactsSmsAction) X(ContactsVisibleAction) \
    X(DataClassNotificationAction) X(DatabaseCompactAction) X(DatabaseCompressAction) \
    X(DatabaseDeleteAllAction) X(DatabaseReadAllAction) X(DatabaseRecreateAction) \
    X(DeviceServicesCommandCloseAction) X(DeviceServicesCommandOpenAction) X(DeviceServicesConnectAction) \
    X(DeviceServicesDisconnectAction) X(DisconnectAction) X(DownloadAction) \
    X(EmulateEventSmsSendCompleteAction) X(EmulateSmsDraftAction) X(EmulateSmsNewAction) \
    X(EmulateSmsNewMultipartAction) X(EmulateSmsReport1Action) X(EmulateSmsReport2Action) \
    X(EmulateSmsSentAction) X(EmulateSmsSentMultipartAction) X(EnterPinAction) X(EnterPinButtonAction) X(ExitAction) X(FaqAction) \
    X(GetDeviceInfoAction) X(GetPreferredProvidersAction) X(HideWhenClosingAction) X(HideWhenMinimizedAction) \
    X(HomePageAction) X(InterfaceSelectAction) X(LargeButtonsAction) X(LargeRowsAction) X(LargeTextAction) \
    X(LicenseInfoAction) X(OpenHelpAction) X(OpenUssdSessionAction) X(OperatorsSearchAction) \
    X(PhonebookCloseAction) X(PhonebookDeleteAction) X(PhonebookInfoAction) X(PhonebookOpenAction) \
    X(PhonebookReadAction) X(PhonebookWriteAction) X(RadioOffAction) X(RadioOnAction) X(RegisterManual2Action) \
    X(RegisterManualAction) X(RegistrationAction1) X(RegistrationAction2) X(SettingsAction) \
    X(ShowContactsAction) X(ShowConversationsAction) X(ShowDebugAction) X(ShowDeviceAction) X(ShowLogAction) \
    X(ShowMessagesAction) \
    X(ShowStatusAction) X(SmsAnalyseAction) X(SmsConfirmationToSendAction) X(SmsDeleteAction) \
    X(SmsDeleteByIdAction) X(SmsDeliveryReportAction) X(SmsExportAction) X(SmsForwardAction) X(SmsNewAction) \
    X(SmsOpenAction) X(SmsPrintAction) X(SmsReplyAction) X(SmsRetryAction) X(SmsSaveAction) \
    X(SmsSaveSentAction) X(SmsSendAllAction) X(SmsSetAsUnreadAction) X(StartMenuAddAction) X(SupportAction) \
    X(SynchronizeSmsAction) X(TextLabelsAction) X(ToastNotificationAction)
// clang-format on

enum class MainAction : int {
#define PARLOWEN_MAIN_ACTION_ENUM(name) name,
    PARLOWEN_MAIN_ACTIONS(PARLOWEN_MAIN_ACTION_ENUM)
#undef PARLOWEN_MAIN_ACTION_ENUM
};

inline constexpr int MainActionCount = 0
#define PARLOWEN_MAIN_ACTION_COUNT(name) +1
    PARLOWEN_MAIN_ACTIONS(PARLOWEN_MAIN_ACTION_COUNT)
#undef PARLOWEN_MAIN_ACTION_COUNT
    ;

// "SmsDeleteAction" for MainAction::SmsDeleteAction.
QString MainActionName(MainAction action);
