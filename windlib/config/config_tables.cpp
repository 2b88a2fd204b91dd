// The configuration options as data: the variable behind every option, the ranges of the
// integer options, the names of the choice options and the 11 tables with every name, type,
// default and refresh flag. Meanings and defaults are those a user of the toolkit expects;
// only the names and the colour defaults are fixed from outside. To add an option, add its
// variable here and in config_tables.h and its row to a table, and fix the counts below.
#include "windlib/config/config_tables.h"

#include <cstddef>

#include "windlib/config/config_commands.h"

// Table 0: window sizes.
ConfigSize cfg_minviewsize;
ConfigSize cfg_maxviewsize;
ConfigSize cfg_minwindowsize;
ConfigSize cfg_maxwindowsize;
ConfigSize cfg_firstposition;
ConfigSize cfg_builderposition;

// Table 1: colours.
unsigned char cfg_useFileRelLineBG;
unsigned char cfg_useProcRelLineBG;
char* cfg_background;
unsigned long cfg_background_pixel;
char* cfg_foreground;
unsigned long cfg_foreground_pixel;
char* cfg_controlcolor;
unsigned long cfg_controlcolor_pixel;
char* cfg_select;
unsigned long cfg_select_pixel;
char* cfg_assembly;
unsigned long cfg_assembly_pixel;
char* cfg_breakcolor;
unsigned long cfg_breakcolor_pixel;
char* cfg_pointercolor;
unsigned long cfg_pointercolor_pixel;
char* cfg_bdotcolor;
unsigned long cfg_bdotcolor_pixel;
char* cfg_comment;
unsigned long cfg_comment_pixel;
char* cfg_deadcode;
unsigned long cfg_deadcode_pixel;
char* cfg_keyword;
unsigned long cfg_keyword_pixel;
char* cfg_string;
unsigned long cfg_string_pixel;
char* cfg_number;
unsigned long cfg_number_pixel;
char* cfg_character;
unsigned long cfg_character_pixel;
char* cfg_customized;
unsigned long cfg_customized_pixel;
char* cfg_nobuild;
unsigned long cfg_nobuild_pixel;
char* cfg_program;
unsigned long cfg_program_pixel;
char* cfg_subprogram;
unsigned long cfg_subprogram_pixel;
char* cfg_source;
unsigned long cfg_source_pixel;
char* cfg_header;
unsigned long cfg_header_pixel;
char* cfg_documentation;
unsigned long cfg_documentation_pixel;
char* cfg_library;
unsigned long cfg_library_pixel;
char* cfg_object;
unsigned long cfg_object_pixel;
char* cfg_singlelibrary;
unsigned long cfg_singlelibrary_pixel;
char* cfg_script;
unsigned long cfg_script_pixel;
char* cfg_other;
unsigned long cfg_other_pixel;
char* cfg_TBFunctionNormalFG;
unsigned long cfg_TBFunctionNormalFG_pixel;
char* cfg_TBFunctionNoInfoFG;
unsigned long cfg_TBFunctionNoInfoFG_pixel;
char* cfg_TBFunctionRecursiveFG;
unsigned long cfg_TBFunctionRecursiveFG_pixel;
char* cfg_TBFunctionAdrTakenFG;
unsigned long cfg_TBFunctionAdrTakenFG_pixel;
char* cfg_TBDynNormalFG;
unsigned long cfg_TBDynNormalFG_pixel;
char* cfg_TBDynNoInfoFG;
unsigned long cfg_TBDynNoInfoFG_pixel;
char* cfg_TBFileNormalFG;
unsigned long cfg_TBFileNormalFG_pixel;
char* cfg_TBFileNoInfoFG;
unsigned long cfg_TBFileNoInfoFG_pixel;
char* cfg_TBClassUnionFG;
unsigned long cfg_TBClassUnionFG_pixel;
char* cfg_TBClassEnumFG;
unsigned long cfg_TBClassEnumFG_pixel;
char* cfg_TBClassStructFG;
unsigned long cfg_TBClassStructFG_pixel;
char* cfg_TBClassClassFG;
unsigned long cfg_TBClassClassFG_pixel;
char* cfg_TBClassNoInfoFG;
unsigned long cfg_TBClassNoInfoFG_pixel;
char* cfg_TBFunctionNormalBG;
unsigned long cfg_TBFunctionNormalBG_pixel;
char* cfg_TBFunctionNoInfoBG;
unsigned long cfg_TBFunctionNoInfoBG_pixel;
char* cfg_TBFunctionRecursiveBG;
unsigned long cfg_TBFunctionRecursiveBG_pixel;
char* cfg_TBFunctionAdrTakenBG;
unsigned long cfg_TBFunctionAdrTakenBG_pixel;
char* cfg_TBDynNormalBG;
unsigned long cfg_TBDynNormalBG_pixel;
char* cfg_TBDynNoInfoBG;
unsigned long cfg_TBDynNoInfoBG_pixel;
char* cfg_TBFileNormalBG;
unsigned long cfg_TBFileNormalBG_pixel;
char* cfg_TBFileNoInfoBG;
unsigned long cfg_TBFileNoInfoBG_pixel;
char* cfg_TBClassUnionBG;
unsigned long cfg_TBClassUnionBG_pixel;
char* cfg_TBClassEnumBG;
unsigned long cfg_TBClassEnumBG_pixel;
char* cfg_TBClassStructBG;
unsigned long cfg_TBClassStructBG_pixel;
char* cfg_TBClassClassBG;
unsigned long cfg_TBClassClassBG_pixel;
char* cfg_TBClassNoInfoBG;
unsigned long cfg_TBClassNoInfoBG_pixel;
char* cfg_fileRelLineBG;
unsigned long cfg_fileRelLineBG_pixel;
char* cfg_procRelLineBG;
unsigned long cfg_procRelLineBG_pixel;
char* cfg_startedConnectionFG;
unsigned long cfg_startedConnectionFG_pixel;
char* cfg_diffHighlight;
unsigned long cfg_diffHighlight_pixel;
char* cfg_PathAnalyzerFg0;
unsigned long cfg_PathAnalyzerFg0_pixel;
char* cfg_PathAnalyzerFg1;
unsigned long cfg_PathAnalyzerFg1_pixel;
char* cfg_PathAnalyzerFg2;
unsigned long cfg_PathAnalyzerFg2_pixel;
char* cfg_PathAnalyzerFg3;
unsigned long cfg_PathAnalyzerFg3_pixel;
char* cfg_PathAnalyzerFg4;
unsigned long cfg_PathAnalyzerFg4_pixel;
char* cfg_PathAnalyzerFg5;
unsigned long cfg_PathAnalyzerFg5_pixel;
char* cfg_PathAnalyzerBg0;
unsigned long cfg_PathAnalyzerBg0_pixel;
char* cfg_PathAnalyzerBg1;
unsigned long cfg_PathAnalyzerBg1_pixel;
char* cfg_PathAnalyzerBg2;
unsigned long cfg_PathAnalyzerBg2_pixel;
char* cfg_PathAnalyzerBg3;
unsigned long cfg_PathAnalyzerBg3_pixel;
char* cfg_PathAnalyzerBg4;
unsigned long cfg_PathAnalyzerBg4_pixel;
char* cfg_PathAnalyzerBg5;
unsigned long cfg_PathAnalyzerBg5_pixel;

// Table 2: the editor.
unsigned char cfg_wordwrap;
unsigned char cfg_cppCommentsInC;
unsigned char cfg_editorbackups;
unsigned char cfg_exactcase;
unsigned char cfg_editprint2column;
unsigned char cfg_draganddrop;
unsigned char cfg_tabsarespaces;
unsigned char cfg_preventautocheckout;
unsigned char cfg_rememberwindowpositions;
unsigned char cfg_closebuttonontitlebar;
unsigned char cfg_openfilesinnewbuffers;
unsigned char cfg_autoGrabHeadFiles;
unsigned char cfg_AIimplicitindent;
unsigned char cfg_AIimplicitindentincomments;
unsigned char cfg_AIswitchintwo;
unsigned char cfg_AItouchcomments;
unsigned char cfg_AIcommentsstayflushleft;
unsigned char cfg_usealternateeditor;
unsigned char cfg_allowmiddleclick;
unsigned char cfg_allowovertypemode;
unsigned char cfg_isearchreturn;
int cfg_adaindentsize;
int cfg_adacontinuationsize;
int cfg_wrapcolumn;
int cfg_wrapindent;
int cfg_fillparagraphcolumn;
int cfg_editindent;
int cfg_tabsize;
int cfg_editwidth;
int cfg_editheight;
int cfg_editincrfrequency;
int cfg_editparenmatch;
int cfg_editsomesize;
int cfg_SelectionMarginWidth;
int cfg_AIparenindentmode;
int cfg_AIadaparenindentmode;
char* cfg_AIcharslikestarincomment;

// Table 3: the debugger.
unsigned char cfg_ImplicitEvalEcho;
unsigned char cfg_shellconfirm;
unsigned char cfg_sharedsymbols;
unsigned char cfg_procRelativeLines;
unsigned char cfg_interleavedOutput;
unsigned char cfg_bufferlogs;
unsigned char cfg_StepToBpIgnoresResumeInBpCmd;
unsigned char cfg_QualifyingLabelDenotesImmediatelyFollowingBlock;
unsigned char cfg_ProcQualifiedLocalImpliesOutermostBlock;
unsigned char cfg_WarnOnBpReplacement;
unsigned char cfg_WarnOnCmdAdrLinePromotion;
unsigned char cfg_AttemptToShowOldVersionOfUpdateSource;
unsigned char cfg_DownloadWindow;
unsigned char cfg_blockstep;
unsigned char cfg_blockrun;
unsigned char cfg_showaddress;
unsigned char cfg_lowbandwidthtovc;
unsigned char cfg_viewunsignedcharasint;
unsigned char cfg_hexmode;
unsigned char cfg_paddedhex;
unsigned char cfg_BPSyntaxChecking;
unsigned char cfg_AssertionSyntaxChecking;
unsigned char cfg_leaveTypeDef;
unsigned char cfg_VERIFYHALT;
unsigned char cfg_ShowPosInNoDisplayMode;
unsigned char cfg_DisableCarriageReturnRepeat;
unsigned char cfg_SaveCommandHistory;
unsigned char cfg_SaveDebugServer;
unsigned char cfg_SaveViewWindows;
unsigned char cfg_SaveRunArguments;
unsigned char cfg_SaveDebuggerWindowPos;
unsigned char cfg_OverwriteScriptBreakpoints;
unsigned char cfg_DerefPointer;
unsigned char cfg_ContinuePlaybackFileOnError;
unsigned char cfg_AbortPlaybackFileOnSeriousError;
unsigned char cfg_AllowExecutionInBpCommand;
unsigned char cfg_AllowExecutionInAssertionCommand;
unsigned char cfg_SilentlyReloadSymbols;
unsigned char cfg_SimpleDisplayOfUnknownProcs;
unsigned char cfg_GotoHitsBpAtTargetAddress;
unsigned char cfg_ShowTargetWindows;
unsigned char cfg_haltonattach;
unsigned char cfg_QuietTogCmd;
unsigned char cfg_sdlNameDisplay;
unsigned char cfg_printNewLineAfterSDLCommand;
unsigned char cfg_useHWBPForSingleStep;
unsigned char cfg_LoadLongArraysOnViewWinCreation;
unsigned char cfg_EchoCommandsFromPlaybackFiles;
unsigned char cfg_RecordCommentedCommandsFromMacros;
unsigned char cfg_PrintReturnValues;
unsigned char cfg_DeleteDeadTaskFromGroup;
unsigned char cfg_RequestOsaPackage;
unsigned char cfg_MemViewBuffer;
unsigned char cfg_autoDwarf2dbo;
unsigned char cfg_autoStabs2dbo;
unsigned char cfg_GlobalHeading;
unsigned char cfg_ViewWindowDefaultToTree;
unsigned char cfg_UnifyViewWindows;
unsigned char cfg_TraceAlwaysOn;
unsigned char cfg_SetBPAtAdrInitWhenExecing;
unsigned char cfg_ShowTraceOSAWindows;
int cfg_grabtimeout;
int cfg_cwindlines;
int cfg_ctextsize;
int cfg_history;
int cfg_servertimeout;
int cfg_serverscalefactor;
int cfg_ServerPollInterval;
int cfg_FormatStringMaxLength;
int cfg_FormatStringMaxDepth;
int cfg_maxContainerDisplaySize;
int cfg_containerSizeIncrement;
int cfg_LongjmpStepMode;
int cfg_backgroundmode;
int cfg_viewsarechildrenmode;
int cfg_rememberbreakpoints;
int cfg_linenumbermode;
int cfg_disasmStyle;
int cfg_debugbuttonsloc;
int cfg_TaskMatchCriteria;
char* cfg_prompt;
char* cfg_preferredTranslationTmpDir;

// Table 4: look and feel.
unsigned char cfg_autoediterrors;
unsigned char cfg_autoeditwarnings;
unsigned char cfg_alwaysusemetofixbuilderrors;
unsigned char TooltipsOn;
unsigned char cfg_keeploaders;
unsigned char cfg_nodecoration;
unsigned char cfg_takefocus;
unsigned char vfIconifiedButtons;
unsigned char cfg_autocomplete;
unsigned char cfg_synchronous;
unsigned char cfg_moon;
unsigned char colorsyntax;
unsigned char cfg_colorbuilder;
unsigned char cfg_usewmpositioning;
unsigned char cfg_blackwhite;
unsigned char vfBlinkingCaret;
unsigned char cfg_sjiscode;
unsigned char cfg_kanjiconv;
unsigned char cfg_CheckBookEditor;
unsigned char cfg_showversioncontrol;
unsigned char cfg_genfileset;
unsigned char cfg_sourcefileset;
unsigned char cfg_buildfileset;
unsigned char cfg_execfileset;
unsigned char cfg_debugserverset;
unsigned char cfg_clipmanlaunch;
int cfg_ignoremotion;
int cfg_scrollbarwidth;
int cfg_linesnonoverlapped;
int cfg_menudelay;
int cfg_scrolllocation;
int cfg_scrollhlocation;
int cfg_showprogress;
int cfg_warppointer;
int cfg_PromptQuitDebugger;
int cfg_rememberdirs;
char* cfg_tempFileDir;
char* cfg_font;
char* cfg_buttonfont;
char* cfg_kanjifont;
char* cfg_genfilesdir;
char* cfg_sourcefilesdir;
char* cfg_buildfilesdir;
char* cfg_execfilesdir;
char* cfg_debugserversdir;
char* cfg_clipmanpath;

// Table 5: help, connections and the texts of buttons, labels and messages.
unsigned char cfg_browserUseRemote;
unsigned char cfg_helpInNewWindow;
unsigned char cfg_helpNoRemoteCommand;
unsigned char cfg_helpNoJava;
unsigned char cfg_helpNoFrame;
unsigned char cfg_helpContextDisambiguates;
unsigned char cfg_beep;
unsigned char cfg_autoOpenConnectionFilesFromVpjFiles;
unsigned char cfg_autoOpenConnectionFilesFromBldFiles;
unsigned char cfg_autoSaveConnectionsInFiles;
unsigned char cfg_autoSaveUserConnections;
unsigned char cfg_displayConnectionTypeInChooser;
unsigned char cfg_autoConnectionMode;
unsigned char cfg_autoVerifyROMSections;
unsigned char cfg_showGrepCommand;
int cfg_helpPortNumber;
int cfg_helpNumPortsToScan;
int clickpause;
int cfg_mempcrAddress;
int cfg_onlineHelpMethod;
int cfg_exprcasesensitivity;
int cfg_configsavemode;
int cfg_hovervalues;
char* cfg_browserCommand;
char* cfg_helpBrowser;
char* cfg_helpNonGuiBrowser;
char* cfg_geometry;
char* cfg_viewdef;
char* cfg_autodebug;
char* cfg_printcommand;
char* cfg_saveEvents;
char* cfg_restoreEvents;
char* cfg_view_vbase;
char* cfg_view_base;
char* cfg_view_in;
char* cfg_view_virtuals;
char* cfg_view_nonatomic;
char* cfg_button_ok;
char* cfg_button_cancel;
char* cfg_button_yes;
char* cfg_button_no;
char* cfg_button_all;
char* cfg_button_none;
char* cfg_button_close;
char* cfg_button_pop;
char* cfg_button_help;
char* cfg_button_shrink;
char* cfg_button_dup;
char* cfg_button_freeze;
char* cfg_button_thaw;
char* cfg_button_quit;
char* cfg_button_really;
char* cfg_button_file1;
char* cfg_button_file2;
char* cfg_button_base;
char* cfg_button_abort;
char* cfg_button_proceed;
char* cfg_button_auto;
char* cfg_button_merge;
char* cfg_button_12;
char* cfg_button_1base;
char* cfg_button_2base;
char* cfg_button_both;
char* cfg_button_bothcontrol;
char* cfg_button_setcb;
char* cfg_button_startsword;
char* cfg_button_endsword;
char* cfg_button_startsline;
char* cfg_button_endsline;
char* cfg_button_searchtype;
char* cfg_button_normal;
char* cfg_button_wildcards;
char* cfg_button_re;
char* cfg_button_edit;
char* cfg_label_copyfrom;
char* cfg_label_sync;
char* cfg_label_sync2;
char* cfg_label_before;
char* cfg_label_between;
char* cfg_label_after;
char* cfg_label_precedes;
char* cfg_label_insert;
char* cfg_msg_merge;
char* cfg_msg_prefix;
char* cfg_button_find;
char* cfg_button_replace;
char* cfg_button_rplthenfind;
char* cfg_button_findthenrpl;
char* cfg_button_allrpl;
char* cfg_button_undo;
char* cfg_button_case;
char* cfg_button_forward;
char* cfg_button_backward;
char* cfg_button_exact;
char* cfg_button_either;
char* cfg_status_srchabrt;
char* cfg_status_srchsrch;
char* cfg_status_srchre;
char* cfg_status_srchwild;
char* cfg_status_srchline;
char* cfg_status_srchword;
char* cfg_status_failed;
char* cfg_status_readonly;
char* cfg_button_mkdir;
char* cfg_button_updir;
char* cfg_button_pwd;
char* cfg_button_delete;
char* cfg_dialogue_reallykill;
char* cfg_dialogue_nonptr;
char* cfg_dialogue_regname;
char* cfg_dialogue_openindex;
char* cfg_dialogue_openfield;
char* cfg_dialogue_newaddr;
char* cfg_dialogue_newtype;
char* cfg_dialogue_path;
char* cfg_dialogue_newcommand;
char* cfg_dialogue_delbrk;
char* cfg_dialogue_brk;
char* cfg_dialogue_peruse;
char* cfg_dialogue_bif;
char* cfg_dialogue_edit;
char* cfg_dialogue_call;
char* cfg_dialogue_cast;
char* cfg_dialogue_addvar;
char* cfg_status_source;
char* cfg_status_nosource;
char* cfg_status_noprogram;
char* cfg_status_noprocess;
char* cfg_status_stopped;
char* cfg_status_stoppedin;
char* cfg_status_running;
char* cfg_status_dying;
char* cfg_status_forking;
char* cfg_status_execing;
char* cfg_status_continuing;
char* cfg_status_csrch;
char* cfg_status_ssrch;
char* cfg_status_srch;
char* cfg_status_replacing;
char* cfg_status_file;
char* cfg_status_target;
char* cfg_status_proc;
char* cfg_message_running;
char* cfg_message_stoppedby;
char* cfg_message_on;
char* cfg_message_read;
char* cfg_message_write;
char* cfg_message_execute;
char* cfg_message_mask;
char* cfg_message_behalf;
char* cfg_message_hardware;
char* cfg_orbitWinPreName;
char* cfg_orbitIconPreName;
char* cfg_mssConfigFile;

// Table 6: GUI tracing.
char* cfg_tracegui_name;

// Table 7: the integration tool.
int cfg_integrate_canvaswidth;
int cfg_integrate_canvasheight;
char* cfg_integrate_intexname;
char* cfg_integrate_asbindir;
char* cfg_integrate_taskfuncname;
char* cfg_integrate_targetfilename;
char* cfg_integrate_kernelfilename;
char* cfg_integrate_outputfilename;

// Table 8: version control.
unsigned char cfg_dontusevc;
unsigned char cfg_Versctrl_MVCAutoCheckout;
unsigned char cfg_Versctrl_RCSAutoCheckout;
unsigned char cfg_Versctrl_ClearCaseAutoCheckout;
unsigned char cfg_Versctrl_SourceSafeAutoCheckout;
unsigned char cfg_Versctrl_PVCSAutoCheckout;
unsigned char cfg_Versctrl_CustomAutoCheckout;
int cfg_versioncontroltype;
char* cfg_Versctrl_CVSPath;
char* cfg_Versctrl_RCSPath;
char* cfg_Versctrl_ClearCasePath;
char* cfg_Versctrl_SourceSafePath;
char* cfg_Versctrl_SourceSafeUsername;
char* cfg_Versctrl_SourceSafeDatabase;
char* cfg_Versctrl_SourceSafeRoot;
char* cfg_Versctrl_PVCSDatabase;
char* cfg_Versctrl_PVCSRoot;
char* cfg_Versctrl_CustomPath;
char* cfg_vc_undervc;
char* cfg_vc_co;
char* cfg_vc_get;
char* cfg_vc_unco;
char* cfg_vc_ci;
char* cfg_vc_create;
char* cfg_vc_show;
char* cfg_vc_who;
char* cfg_vc_prevver;
char* cfg_vc_command;
char* cfg_vc_diff;
char* cfg_vc_when;
char* cfg_vc_cinocomments;

// Table 9: the external editor.
unsigned char cfg_usextermforalternateeditor;
unsigned char cfg_ExtEditor_EmacsUseXTerm;
unsigned char cfg_ExtEditor_ViUseXTerm;
unsigned char cfg_ExtEditor_OtherUseXTerm;
char* cfg_editor;
char* cfg_editorLaunch;
char* cfg_ExtEditor_Choice;
char* cfg_ExtEditor_EmacsPath;
char* cfg_ExtEditor_EmacsArgumentFormat;
char* cfg_ExtEditor_ViPath;
char* cfg_ExtEditor_ViArgumentFormat;
char* cfg_ExtEditor_OtherPath;
char* cfg_ExtEditor_OtherArgumentFormat;

// Table 10: the distribution.
char* cfg_bulwark_dist;

// Ranges of the integer options.
static _MinMax adaindentsizeRange = {0, 32};
static _MinMax adacontinuationsizeRange = {0, 32};
static _MinMax wrapcolumnRange = {1, 1024};
static _MinMax wrapindentRange = {0, 256};
static _MinMax fillparagraphcolumnRange = {1, 1024};
static _MinMax editindentRange = {0, 64};
static _MinMax tabsizeRange = {1, 64};
static _MinMax editwidthRange = {10, 1000};
static _MinMax editheightRange = {5, 1000};
static _MinMax editincrfrequencyRange = {0, 10000};
static _MinMax editparenmatchRange = {0, 10000};
static _MinMax editsomesizeRange = {1, 1000};
static _MinMax selectionMarginWidthRange = {0, 100};
static _MinMax grabtimeoutRange = {0, 3600};
static _MinMax cwindlinesRange = {1, 1000};
static _MinMax ctextsizeRange = {10, 1000000};
static _MinMax historyRange = {0, 100000};
static _MinMax servertimeoutRange = {1, 3600};
static _MinMax serverscalefactorRange = {1, 100};
static _MinMax serverPollIntervalRange = {10, 10000};
static _MinMax formatStringMaxLengthRange = {1, 65536};
static _MinMax formatStringMaxDepthRange = {1, 64};
static _MinMax maxContainerDisplaySizeRange = {1, 1000000};
static _MinMax containerSizeIncrementRange = {1, 100000};
static _MinMax ignoremotionRange = {0, 100};
static _MinMax scrollbarwidthRange = {8, 64};
static _MinMax linesnonoverlappedRange = {0, 100};
static _MinMax menudelayRange = {0, 5000};
static _MinMax helpPortNumberRange = {1024, 65535};
static _MinMax helpNumPortsToScanRange = {1, 100};
static _MinMax clickpauseRange = {0, 100};
static _MinMax mempcrAddressRange = {0, 2147483647};
static _MinMax integrate_canvaswidthRange = {100, 10000};
static _MinMax integrate_canvasheightRange = {100, 10000};

// Names of the choice options.
static _ChoiceValues AIparenindentmodeChoices[] = {
    {"none", "no special indent inside parentheses", kAIparenindentmodeNone, 0},
    {"align", "line up with the open parenthesis", kAIparenindentmodeAlign, 0},
    {"indent", "indent one level inside parentheses", kAIparenindentmodeIndent, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues AIadaparenindentmodeChoices[] = {
    {"none", "no special indent inside parentheses", kAIadaparenindentmodeNone, 0},
    {"align", "line up with the open parenthesis", kAIadaparenindentmodeAlign, 0},
    {"indent", "indent one level inside parentheses", kAIadaparenindentmodeIndent, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues LongjmpStepModeChoices[] = {
    {"stop", "stop at the longjmp target", kLongjmpStepModeStop, 0},
    {"continue", "continue to the next line", kLongjmpStepModeContinue, 0},
    {"ask", "ask each time", kLongjmpStepModeAsk, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues backgroundmodeChoices[] = {
    {"none", "stop every task", kBackgroundmodeNone, 0},
    {"tasks", "keep other tasks running", kBackgroundmodeTasks, 0},
    {"all", "keep everything running", kBackgroundmodeAll, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues viewsarechildrenmodeChoices[] = {
    {"never", "views are separate windows", kViewsarechildrenmodeNever, 0},
    {"always", "views belong to their debugger", kViewsarechildrenmodeAlways, 0},
    {"transient", "views follow their debugger", kViewsarechildrenmodeTransient, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues rememberbreakpointsChoices[] = {
    {"never", "forget breakpoints at exit", kRememberbreakpointsNever, 0},
    {"ask", "ask at exit", kRememberbreakpointsAsk, 0},
    {"always", "keep breakpoints between runs", kRememberbreakpointsAlways, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues linenumbermodeChoices[] = {
    {"relative", "number lines within the procedure", kLinenumbermodeRelative, 0},
    {"absolute", "number lines within the file", kLinenumbermodeAbsolute, 0},
    {"both", "show both numbers", kLinenumbermodeBoth, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues disasmStyleChoices[] = {
    {"native", "the target's own mnemonics", kDisasmStyleNative, 0},
    {"generic", "generic mnemonics", kDisasmStyleGeneric, 0},
    {"mixed", "source mixed with instructions", kDisasmStyleMixed, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues debugbuttonslocChoices[] = {
    {"top", "above the source pane", kDebugbuttonslocTop, 0},
    {"bottom", "below the source pane", kDebugbuttonslocBottom, 0},
    {"left", "left of the source pane", kDebugbuttonslocLeft, 0},
    {"right", "right of the source pane", kDebugbuttonslocRight, 0},
    {"none", "no debug buttons", kDebugbuttonslocNone, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues TaskMatchCriteriaChoices[] = {
    {"name", "match tasks by name", kTaskMatchCriteriaName, 0},
    {"id", "match tasks by identifier", kTaskMatchCriteriaId, 0},
    {"both", "match name and identifier", kTaskMatchCriteriaBoth, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues scrolllocationChoices[] = {
    {"left", "vertical scroll bars on the left", kScrolllocationLeft, 0},
    {"right", "vertical scroll bars on the right", kScrolllocationRight, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues scrollhlocationChoices[] = {
    {"top", "horizontal scroll bars at the top", kScrollhlocationTop, 0},
    {"bottom", "horizontal scroll bars at the bottom", kScrollhlocationBottom, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues showprogressChoices[] = {
    {"never", "no progress display", kShowprogressNever, 0},
    {"bar", "a progress bar", kShowprogressBar, 0},
    {"percent", "the percentage done", kShowprogressPercent, 0},
    {"both", "a bar and the percentage", kShowprogressBoth, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues warppointerChoices[] = {
    {"never", "never move the pointer", kWarppointerNever, 0},
    {"dialogs", "move the pointer into new dialogs", kWarppointerDialogs, 0},
    {"always", "move the pointer into every new window", kWarppointerAlways, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues PromptQuitDebuggerChoices[] = {
    {"never", "quit without asking", kPromptQuitDebuggerNever, 0},
    {"running", "ask while a process runs", kPromptQuitDebuggerRunning, 0},
    {"always", "always ask", kPromptQuitDebuggerAlways, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues rememberdirsChoices[] = {
    {"never", "start in the current directory", kRememberdirsNever, 0},
    {"session", "remember directories during the session", kRememberdirsSession, 0},
    {"always", "remember directories between sessions", kRememberdirsAlways, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues onlineHelpMethodChoices[] = {
    {"browser", "a web browser", kOnlineHelpMethodBrowser, 0},
    {"viewer", "the built-in help viewer", kOnlineHelpMethodViewer, 0},
    {"none", "no online help", kOnlineHelpMethodNone, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues exprcasesensitivityChoices[] = {
    {"sensitive", "names are case-sensitive", kExprcasesensitivitySensitive, 0},
    {"insensitive", "names ignore case", kExprcasesensitivityInsensitive, 0},
    {"language", "as the source language says", kExprcasesensitivityLanguage, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues configsavemodeChoices[] = {
    {"never", "never save the configuration", kConfigsavemodeNever, 0},
    {"ask", "ask before saving", kConfigsavemodeAsk, 0},
    {"always", "save on exit", kConfigsavemodeAlways, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues hovervaluesChoices[] = {
    {"off", "no values under the pointer", kHovervaluesOff, 0},
    {"tooltip", "values in a tool tip", kHovervaluesTooltip, 0},
    {"statusline", "values in the status line", kHovervaluesStatusline, 0},
    {nullptr, nullptr, 0, 0}};
static _ChoiceValues versioncontroltypeChoices[] = {
    {"none", "no version control", kVersioncontroltypeNone, 0},
    {"mvc", "the built-in version control", kVersioncontroltypeMvc, 0},
    {"rcs", "RCS", kVersioncontroltypeRcs, 0},
    {"cvs", "CVS", kVersioncontroltypeCvs, 0},
    {"clearcase", "ClearCase", kVersioncontroltypeClearcase, 0},
    {"sourcesafe", "SourceSafe", kVersioncontroltypeSourcesafe, 0},
    {"pvcs", "PVCS", kVersioncontroltypePvcs, 0},
    {"custom", "custom commands", kVersioncontroltypeCustom, 0},
    {nullptr, nullptr, 0, 0}};

namespace {

// Row builders, so each table row names only what matters for its type.
enum RowAttributes { kHidden = 1, kShared = 2 };

constexpr _ConfigOption Row(const char* name, ConfigType type, void* value, int refresh,
                            int attributes, ConfigChangeHandler handler, ConfigDefault byDefault,
                            void* extra) {
    return _ConfigOption{name,    static_cast<unsigned char>((attributes & kHidden) ? 1 : 0),
                         type,    value,
                         refresh, static_cast<unsigned char>((attributes & kShared) ? 1 : 0),
                         handler, byDefault,
                         extra,   {0, 0, 0, 0},
                         0};
}
constexpr _ConfigOption OptBool(const char* name, unsigned char* value, int byDefault,
                                int refresh = 0, int attributes = 0) {
    return Row(name, kConfigBoolean, value, refresh, attributes, nullptr, byDefault, nullptr);
}
constexpr _ConfigOption OptInt(const char* name, int* value, int byDefault, _MinMax* range,
                               int refresh = 0, int attributes = 0) {
    return Row(name, kConfigInteger, value, refresh, attributes, nullptr, byDefault, range);
}
constexpr _ConfigOption OptChoice(const char* name, int* value, int byDefault,
                                  _ChoiceValues* choices, int refresh = 0, int attributes = 0) {
    return Row(name, kConfigChoice, value, refresh, attributes, nullptr, byDefault, choices);
}
constexpr _ConfigOption OptColor(const char* name, char** value, const char* byDefault,
                                 unsigned long* pixel, int refresh = 0, int attributes = 0) {
    return Row(name, kConfigColor, value, refresh, attributes, nullptr, byDefault, pixel);
}
constexpr _ConfigOption OptString(const char* name, char** value, const char* byDefault,
                                  int refresh = 0, int attributes = 0) {
    return Row(name, kConfigString, value, refresh, attributes, nullptr, byDefault, nullptr);
}
constexpr _ConfigOption OptSize(const char* name, ConfigSize* value, int refresh = 0,
                                int attributes = 0) {
    return Row(name, kConfigSize, value, refresh, attributes, nullptr, 0, nullptr);
}
constexpr _ConfigOption OptFunc(const char* name, ConfigChangeHandler handler, int refresh = 0,
                                int attributes = 0) {
    return Row(name, kConfigFunc, nullptr, refresh, attributes, handler, 0, nullptr);
}
constexpr _ConfigOption End() {
    return Row(nullptr, kConfigBoolean, nullptr, 0, 0, nullptr, 0, nullptr);
}

// The options of a table, without its end record.
template <size_t N> constexpr int Rows(const _ConfigOption (&)[N]) {
    return static_cast<int>(N) - 1;
}

} // namespace

// Table 0: window sizes.
static _ConfigOption table0[] = {OptSize("minviewsize", &cfg_minviewsize, kRefreshLayout),
                                 OptSize("maxviewsize", &cfg_maxviewsize, kRefreshLayout),
                                 OptSize("minwindowsize", &cfg_minwindowsize, kRefreshLayout),
                                 OptSize("maxwindowsize", &cfg_maxwindowsize, kRefreshLayout),
                                 OptSize("firstposition", &cfg_firstposition, 0, kHidden),
                                 OptSize("builderposition", &cfg_builderposition, 0, kHidden),
                                 End()};
static_assert(Rows(table0) == 6, "table 0");

// Table 1: colours.
static _ConfigOption table1[] = {
    OptBool("useFileRelLineBG", &cfg_useFileRelLineBG, 0, kRefreshText, kShared),
    OptBool("useProcRelLineBG", &cfg_useProcRelLineBG, 0, kRefreshText, kShared),
    OptColor("background", &cfg_background, "#ffffff", &cfg_background_pixel, kRefreshColors,
             kShared),
    OptColor("foreground", &cfg_foreground, "#000000", &cfg_foreground_pixel, kRefreshColors,
             kShared),
    OptColor("controlcolor", &cfg_controlcolor, "#c0c0c0", &cfg_controlcolor_pixel, kRefreshColors,
             kShared),
    OptColor("select", &cfg_select, "#000080", &cfg_select_pixel, kRefreshColors, kShared),
    OptColor("assembly", &cfg_assembly, "#0000ff", &cfg_assembly_pixel, kRefreshColors, kShared),
    OptColor("breakcolor", &cfg_breakcolor, "#ff0000", &cfg_breakcolor_pixel, kRefreshColors,
             kShared),
    OptColor("pointercolor", &cfg_pointercolor, "#0000ff", &cfg_pointercolor_pixel, kRefreshColors,
             kShared),
    OptColor("bdotcolor", &cfg_bdotcolor, "#00cd00", &cfg_bdotcolor_pixel, kRefreshColors, kShared),
    OptColor("comment", &cfg_comment, "#008000", &cfg_comment_pixel, kRefreshColors, kShared),
    OptColor("deadcode", &cfg_deadcode, "#808080", &cfg_deadcode_pixel, kRefreshColors, kShared),
    OptColor("keyword", &cfg_keyword, "#0000ff", &cfg_keyword_pixel, kRefreshColors, kShared),
    OptColor("string", &cfg_string, "#800000", &cfg_string_pixel, kRefreshColors, kShared),
    OptColor("number", &cfg_number, "#e000e0", &cfg_number_pixel, kRefreshColors, kShared),
    OptColor("character", &cfg_character, "#c000c0", &cfg_character_pixel, kRefreshColors, kShared),
    OptColor("customized", &cfg_customized, "#008080", &cfg_customized_pixel, kRefreshColors,
             kShared),
    OptColor("nobuild", &cfg_nobuild, "#c00000", &cfg_nobuild_pixel, kRefreshColors, kShared),
    OptColor("program", &cfg_program, "#c00000", &cfg_program_pixel, kRefreshColors, kShared),
    OptColor("subprogram", &cfg_subprogram, "#800000", &cfg_subprogram_pixel, kRefreshColors,
             kShared),
    OptColor("source", &cfg_source, "#006000", &cfg_source_pixel, kRefreshColors, kShared),
    OptColor("header", &cfg_header, "#0020a0", &cfg_header_pixel, kRefreshColors, kShared),
    OptColor("documentation", &cfg_documentation, "#606060", &cfg_documentation_pixel,
             kRefreshColors, kShared),
    OptColor("library", &cfg_library, "#800060", &cfg_library_pixel, kRefreshColors, kShared),
    OptColor("object", &cfg_object, "#000080", &cfg_object_pixel, kRefreshColors, kShared),
    OptColor("singlelibrary", &cfg_singlelibrary, "#000080", &cfg_singlelibrary_pixel,
             kRefreshColors, kShared),
    OptColor("script", &cfg_script, "#606000", &cfg_script_pixel, kRefreshColors, kShared),
    OptColor("other", &cfg_other, "#500050", &cfg_other_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionNormalFG", &cfg_TBFunctionNormalFG, "#000060",
             &cfg_TBFunctionNormalFG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionNoInfoFG", &cfg_TBFunctionNoInfoFG, "#006000",
             &cfg_TBFunctionNoInfoFG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionRecursiveFG", &cfg_TBFunctionRecursiveFG, "#600000",
             &cfg_TBFunctionRecursiveFG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionAdrTakenFG", &cfg_TBFunctionAdrTakenFG, "#606060",
             &cfg_TBFunctionAdrTakenFG_pixel, kRefreshColors, kShared),
    OptColor("TBDynNormalFG", &cfg_TBDynNormalFG, "#600060", &cfg_TBDynNormalFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBDynNoInfoFG", &cfg_TBDynNoInfoFG, "#606060", &cfg_TBDynNoInfoFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBFileNormalFG", &cfg_TBFileNormalFG, "#600000", &cfg_TBFileNormalFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBFileNoInfoFG", &cfg_TBFileNoInfoFG, "#606060", &cfg_TBFileNoInfoFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassUnionFG", &cfg_TBClassUnionFG, "#006000", &cfg_TBClassUnionFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassEnumFG", &cfg_TBClassEnumFG, "#606000", &cfg_TBClassEnumFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassStructFG", &cfg_TBClassStructFG, "#006000", &cfg_TBClassStructFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassClassFG", &cfg_TBClassClassFG, "#00A000", &cfg_TBClassClassFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassNoInfoFG", &cfg_TBClassNoInfoFG, "#606060", &cfg_TBClassNoInfoFG_pixel,
             kRefreshColors, kShared),
    OptColor("TBFunctionNormalBG", &cfg_TBFunctionNormalBG, "#DFDFFF",
             &cfg_TBFunctionNormalBG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionNoInfoBG", &cfg_TBFunctionNoInfoBG, "#DFFFDF",
             &cfg_TBFunctionNoInfoBG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionRecursiveBG", &cfg_TBFunctionRecursiveBG, "#FFDFDF",
             &cfg_TBFunctionRecursiveBG_pixel, kRefreshColors, kShared),
    OptColor("TBFunctionAdrTakenBG", &cfg_TBFunctionAdrTakenBG, "#DFDFDF",
             &cfg_TBFunctionAdrTakenBG_pixel, kRefreshColors, kShared),
    OptColor("TBDynNormalBG", &cfg_TBDynNormalBG, "#FFDFEF", &cfg_TBDynNormalBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBDynNoInfoBG", &cfg_TBDynNoInfoBG, "#DFDFDF", &cfg_TBDynNoInfoBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBFileNormalBG", &cfg_TBFileNormalBG, "#FFDFDF", &cfg_TBFileNormalBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBFileNoInfoBG", &cfg_TBFileNoInfoBG, "#DFDFDF", &cfg_TBFileNoInfoBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassUnionBG", &cfg_TBClassUnionBG, "#FFFFDF", &cfg_TBClassUnionBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassEnumBG", &cfg_TBClassEnumBG, "#EFFFDF", &cfg_TBClassEnumBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassStructBG", &cfg_TBClassStructBG, "#DFFFDF", &cfg_TBClassStructBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassClassBG", &cfg_TBClassClassBG, "#DFFFDF", &cfg_TBClassClassBG_pixel,
             kRefreshColors, kShared),
    OptColor("TBClassNoInfoBG", &cfg_TBClassNoInfoBG, "#DFDFDF", &cfg_TBClassNoInfoBG_pixel,
             kRefreshColors, kShared),
    OptColor("fileRelLineBG", &cfg_fileRelLineBG, "#FFFFFF", &cfg_fileRelLineBG_pixel,
             kRefreshColors, kShared),
    OptColor("procRelLineBG", &cfg_procRelLineBG, "#e4e4e4", &cfg_procRelLineBG_pixel,
             kRefreshColors, kShared),
    OptColor("startedConnectionFG", &cfg_startedConnectionFG, "#008000",
             &cfg_startedConnectionFG_pixel, kRefreshColors, kShared),
    OptColor("diffHighlight", &cfg_diffHighlight, "#e0ffd0", &cfg_diffHighlight_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg0", &cfg_PathAnalyzerFg0, "#006060", &cfg_PathAnalyzerFg0_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg1", &cfg_PathAnalyzerFg1, "#000060", &cfg_PathAnalyzerFg1_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg2", &cfg_PathAnalyzerFg2, "#600000", &cfg_PathAnalyzerFg2_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg3", &cfg_PathAnalyzerFg3, "#600060", &cfg_PathAnalyzerFg3_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg4", &cfg_PathAnalyzerFg4, "#606000", &cfg_PathAnalyzerFg4_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerFg5", &cfg_PathAnalyzerFg5, "#006000", &cfg_PathAnalyzerFg5_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg0", &cfg_PathAnalyzerBg0, "#DFFFFF", &cfg_PathAnalyzerBg0_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg1", &cfg_PathAnalyzerBg1, "#DFDFFF", &cfg_PathAnalyzerBg1_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg2", &cfg_PathAnalyzerBg2, "#FFDFDF", &cfg_PathAnalyzerBg2_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg3", &cfg_PathAnalyzerBg3, "#FFDFFF", &cfg_PathAnalyzerBg3_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg4", &cfg_PathAnalyzerBg4, "#FFFFDF", &cfg_PathAnalyzerBg4_pixel,
             kRefreshColors, kShared),
    OptColor("PathAnalyzerBg5", &cfg_PathAnalyzerBg5, "#DFFFDF", &cfg_PathAnalyzerBg5_pixel,
             kRefreshColors, kShared),
    End()};
static_assert(Rows(table1) == 70, "table 1");

// Table 2: the editor.
static _ConfigOption table2[] = {
    OptBool("wordwrap", &cfg_wordwrap, 0, kRefreshText, kShared),
    OptBool("cppCommentsInC", &cfg_cppCommentsInC, 1, 0, kShared),
    OptBool("editorbackups", &cfg_editorbackups, 1, 0, kShared),
    OptBool("exactcase", &cfg_exactcase, 0, kRefreshText, kShared),
    OptBool("editprint2column", &cfg_editprint2column, 0, 0, kShared),
    OptBool("draganddrop", &cfg_draganddrop, 1, 0, kShared),
    OptBool("tabsarespaces", &cfg_tabsarespaces, 0, kRefreshText, kShared),
    OptBool("preventautocheckout", &cfg_preventautocheckout, 0, 0, kShared),
    OptBool("rememberwindowpositions", &cfg_rememberwindowpositions, 1, 0, kShared),
    OptBool("closebuttonontitlebar", &cfg_closebuttonontitlebar, 0, 0, kShared),
    OptBool("openfilesinnewbuffers", &cfg_openfilesinnewbuffers, 1, 0, kShared),
    OptBool("autoGrabHeadFiles", &cfg_autoGrabHeadFiles, 0, 0, kShared),
    OptBool("AIimplicitindent", &cfg_AIimplicitindent, 1, 0, kShared),
    OptBool("AIimplicitindentincomments", &cfg_AIimplicitindentincomments, 1, 0, kShared),
    OptBool("AIswitchintwo", &cfg_AIswitchintwo, 0, 0, kShared),
    OptBool("AItouchcomments", &cfg_AItouchcomments, 0, 0, kShared),
    OptBool("AIcommentsstayflushleft", &cfg_AIcommentsstayflushleft, 1, 0, kShared),
    OptBool("usealternateeditor", &cfg_usealternateeditor, 0, 0, kShared),
    OptBool("allowmiddleclick", &cfg_allowmiddleclick, 1, 0, kShared),
    OptBool("allowovertypemode", &cfg_allowovertypemode, 1, 0, kShared),
    OptBool("isearchreturn", &cfg_isearchreturn, 0, 0, kShared),
    OptInt("adaindentsize", &cfg_adaindentsize, 3, &adaindentsizeRange, 0, kShared),
    OptInt("adacontinuationsize", &cfg_adacontinuationsize, 2, &adacontinuationsizeRange, 0,
           kShared),
    OptInt("wrapcolumn", &cfg_wrapcolumn, 80, &wrapcolumnRange, kRefreshText, kShared),
    OptInt("wrapindent", &cfg_wrapindent, 0, &wrapindentRange, kRefreshText, kShared),
    OptInt("fillparagraphcolumn", &cfg_fillparagraphcolumn, 72, &fillparagraphcolumnRange, 0,
           kShared),
    OptInt("editindent", &cfg_editindent, 4, &editindentRange, 0, kShared),
    OptInt("tabsize", &cfg_tabsize, 8, &tabsizeRange, kRefreshText, kShared),
    OptInt("editwidth", &cfg_editwidth, 80, &editwidthRange, kRefreshLayout),
    OptInt("editheight", &cfg_editheight, 40, &editheightRange, kRefreshLayout),
    OptInt("editincrfrequency", &cfg_editincrfrequency, 100, &editincrfrequencyRange),
    OptInt("editparenmatch", &cfg_editparenmatch, 500, &editparenmatchRange, 0, kShared),
    OptInt("editsomesize", &cfg_editsomesize, 20, &editsomesizeRange),
    OptInt("SelectionMarginWidth", &cfg_SelectionMarginWidth, 8, &selectionMarginWidthRange,
           kRefreshText, kShared),
    OptChoice("AIparenindentmode", &cfg_AIparenindentmode, kAIparenindentmodeAlign,
              AIparenindentmodeChoices, 0, kShared),
    OptChoice("AIadaparenindentmode", &cfg_AIadaparenindentmode, kAIadaparenindentmodeAlign,
              AIadaparenindentmodeChoices, 0, kShared),
    OptString("AIcharslikestarincomment", &cfg_AIcharslikestarincomment, "*", 0, kShared),
    End()};
static_assert(Rows(table2) == 37, "table 2");

// Table 3: the debugger.
static _ConfigOption table3[] = {
    OptBool("ImplicitEvalEcho", &cfg_ImplicitEvalEcho, 1),
    OptBool("shellconfirm", &cfg_shellconfirm, 1),
    OptBool("sharedsymbols", &cfg_sharedsymbols, 1),
    OptBool("procRelativeLines", &cfg_procRelativeLines, 0),
    OptBool("interleavedOutput", &cfg_interleavedOutput, 1),
    OptBool("bufferlogs", &cfg_bufferlogs, 0),
    OptBool("StepToBpIgnoresResumeInBpCmd", &cfg_StepToBpIgnoresResumeInBpCmd, 0),
    OptBool("QualifyingLabelDenotesImmediatelyFollowingBlock",
            &cfg_QualifyingLabelDenotesImmediatelyFollowingBlock, 0),
    OptBool("ProcQualifiedLocalImpliesOutermostBlock", &cfg_ProcQualifiedLocalImpliesOutermostBlock,
            1),
    OptBool("WarnOnBpReplacement", &cfg_WarnOnBpReplacement, 1),
    OptBool("WarnOnCmdAdrLinePromotion", &cfg_WarnOnCmdAdrLinePromotion, 1),
    OptBool("AttemptToShowOldVersionOfUpdateSource", &cfg_AttemptToShowOldVersionOfUpdateSource, 0),
    OptBool("DownloadWindow", &cfg_DownloadWindow, 1),
    OptBool("blockstep", &cfg_blockstep, 0),
    OptBool("blockrun", &cfg_blockrun, 0),
    OptBool("showaddress", &cfg_showaddress, 0),
    OptBool("lowbandwidthtovc", &cfg_lowbandwidthtovc, 0),
    OptBool("viewunsignedcharasint", &cfg_viewunsignedcharasint, 0),
    OptBool("hexmode", &cfg_hexmode, 0),
    OptBool("paddedhex", &cfg_paddedhex, 0),
    OptBool("BPSyntaxChecking", &cfg_BPSyntaxChecking, 1),
    OptBool("AssertionSyntaxChecking", &cfg_AssertionSyntaxChecking, 1),
    OptBool("leaveTypeDef", &cfg_leaveTypeDef, 0),
    OptBool("VERIFYHALT", &cfg_VERIFYHALT, 0),
    OptBool("ShowPosInNoDisplayMode", &cfg_ShowPosInNoDisplayMode, 1),
    OptBool("DisableCarriageReturnRepeat", &cfg_DisableCarriageReturnRepeat, 0),
    OptBool("SaveCommandHistory", &cfg_SaveCommandHistory, 1),
    OptBool("SaveDebugServer", &cfg_SaveDebugServer, 1),
    OptBool("SaveViewWindows", &cfg_SaveViewWindows, 0),
    OptBool("SaveRunArguments", &cfg_SaveRunArguments, 1),
    OptBool("SaveDebuggerWindowPos", &cfg_SaveDebuggerWindowPos, 1),
    OptBool("OverwriteScriptBreakpoints", &cfg_OverwriteScriptBreakpoints, 0),
    OptBool("DerefPointer", &cfg_DerefPointer, 1),
    OptBool("ContinuePlaybackFileOnError", &cfg_ContinuePlaybackFileOnError, 0),
    OptBool("AbortPlaybackFileOnSeriousError", &cfg_AbortPlaybackFileOnSeriousError, 1),
    OptBool("AllowExecutionInBpCommand", &cfg_AllowExecutionInBpCommand, 1),
    OptBool("AllowExecutionInAssertionCommand", &cfg_AllowExecutionInAssertionCommand, 0),
    OptBool("SilentlyReloadSymbols", &cfg_SilentlyReloadSymbols, 0),
    OptBool("SimpleDisplayOfUnknownProcs", &cfg_SimpleDisplayOfUnknownProcs, 0),
    OptBool("GotoHitsBpAtTargetAddress", &cfg_GotoHitsBpAtTargetAddress, 1),
    OptBool("ShowTargetWindows", &cfg_ShowTargetWindows, 1),
    OptBool("haltonattach", &cfg_haltonattach, 1),
    OptBool("QuietTogCmd", &cfg_QuietTogCmd, 0),
    OptBool("sdlNameDisplay", &cfg_sdlNameDisplay, 0),
    OptBool("printNewLineAfterSDLCommand", &cfg_printNewLineAfterSDLCommand, 0),
    OptBool("useHWBPForSingleStep", &cfg_useHWBPForSingleStep, 0),
    OptBool("LoadLongArraysOnViewWinCreation", &cfg_LoadLongArraysOnViewWinCreation, 0),
    OptBool("EchoCommandsFromPlaybackFiles", &cfg_EchoCommandsFromPlaybackFiles, 1),
    OptBool("RecordCommentedCommandsFromMacros", &cfg_RecordCommentedCommandsFromMacros, 0),
    OptBool("PrintReturnValues", &cfg_PrintReturnValues, 1),
    OptBool("DeleteDeadTaskFromGroup", &cfg_DeleteDeadTaskFromGroup, 1),
    OptBool("RequestOsaPackage", &cfg_RequestOsaPackage, 1),
    OptBool("MemViewBuffer", &cfg_MemViewBuffer, 1),
    OptBool("autoDwarf2dbo", &cfg_autoDwarf2dbo, 1),
    OptBool("autoStabs2dbo", &cfg_autoStabs2dbo, 1),
    OptBool("GlobalHeading", &cfg_GlobalHeading, 1),
    OptBool("ViewWindowDefaultToTree", &cfg_ViewWindowDefaultToTree, 0),
    OptBool("UnifyViewWindows", &cfg_UnifyViewWindows, 0),
    OptBool("TraceAlwaysOn", &cfg_TraceAlwaysOn, 0),
    OptBool("SetBPAtAdrInitWhenExecing", &cfg_SetBPAtAdrInitWhenExecing, 0),
    OptBool("ShowTraceOSAWindows", &cfg_ShowTraceOSAWindows, 1),
    OptInt("grabtimeout", &cfg_grabtimeout, 10, &grabtimeoutRange),
    OptInt("cwindlines", &cfg_cwindlines, 10, &cwindlinesRange, kRefreshLayout),
    OptInt("ctextsize", &cfg_ctextsize, 1000, &ctextsizeRange),
    OptInt("history", &cfg_history, 100, &historyRange),
    OptInt("servertimeout", &cfg_servertimeout, 30, &servertimeoutRange),
    OptInt("serverscalefactor", &cfg_serverscalefactor, 1, &serverscalefactorRange),
    OptInt("ServerPollInterval", &cfg_ServerPollInterval, 100, &serverPollIntervalRange),
    OptInt("FormatStringMaxLength", &cfg_FormatStringMaxLength, 256, &formatStringMaxLengthRange),
    OptInt("FormatStringMaxDepth", &cfg_FormatStringMaxDepth, 4, &formatStringMaxDepthRange),
    OptInt("maxContainerDisplaySize", &cfg_maxContainerDisplaySize, 100,
           &maxContainerDisplaySizeRange),
    OptInt("containerSizeIncrement", &cfg_containerSizeIncrement, 50, &containerSizeIncrementRange),
    OptChoice("LongjmpStepMode", &cfg_LongjmpStepMode, kLongjmpStepModeContinue,
              LongjmpStepModeChoices),
    OptChoice("backgroundmode", &cfg_backgroundmode, kBackgroundmodeTasks, backgroundmodeChoices),
    OptChoice("viewsarechildrenmode", &cfg_viewsarechildrenmode, kViewsarechildrenmodeAlways,
              viewsarechildrenmodeChoices),
    OptChoice("rememberbreakpoints", &cfg_rememberbreakpoints, kRememberbreakpointsAlways,
              rememberbreakpointsChoices),
    OptChoice("linenumbermode", &cfg_linenumbermode, kLinenumbermodeAbsolute,
              linenumbermodeChoices),
    OptChoice("disasmStyle", &cfg_disasmStyle, kDisasmStyleGeneric, disasmStyleChoices),
    OptChoice("debugbuttonsloc", &cfg_debugbuttonsloc, kDebugbuttonslocBottom,
              debugbuttonslocChoices, kRefreshLayout),
    OptChoice("TaskMatchCriteria", &cfg_TaskMatchCriteria, kTaskMatchCriteriaId,
              TaskMatchCriteriaChoices),
    OptString("prompt", &cfg_prompt, "> "),
    OptString("preferredTranslationTmpDir", &cfg_preferredTranslationTmpDir, nullptr),
    OptFunc("dontusemvc", CDoDontUseMVC, 0, kHidden),
    End()};
static_assert(Rows(table3) == 83, "table 3");

// Table 4: look and feel.
static _ConfigOption table4[] = {
    OptBool("autoediterrors", &cfg_autoediterrors, 1, 0, kShared),
    OptBool("autoeditwarnings", &cfg_autoeditwarnings, 0, 0, kShared),
    OptBool("alwaysusemetofixbuilderrors", &cfg_alwaysusemetofixbuilderrors, 0, 0, kShared),
    OptBool("tooltips", &TooltipsOn, 1, 0, kShared),
    OptBool("keeploaders", &cfg_keeploaders, 0, 0, kShared),
    OptBool("nodecoration", &cfg_nodecoration, 0, 0, kShared),
    OptBool("takefocus", &cfg_takefocus, 1, 0, kShared),
    OptBool("iconifiedbuttons", &vfIconifiedButtons, 0, kRefreshButtons, kShared),
    OptBool("autocomplete", &cfg_autocomplete, 1, 0, kShared),
    OptBool("synchronous", &cfg_synchronous, 0, 0, kHidden),
    OptBool("moon", &cfg_moon, 0, 0, kHidden),
    OptBool("colorsyntax", &colorsyntax, 1, kRefreshColors, kShared),
    OptBool("colorbuilder", &cfg_colorbuilder, 1, kRefreshColors, kShared),
    OptBool("usewmpositioning", &cfg_usewmpositioning, 0, 0, kShared),
    OptBool("blackwhite", &cfg_blackwhite, 0, kRefreshColors, kShared),
    OptBool("blinkingcursor", &vfBlinkingCaret, 1, 0, kShared),
    OptBool("sjiscode", &cfg_sjiscode, 0, 0, kHidden),
    OptBool("kanjiconv", &cfg_kanjiconv, 0, 0, kHidden),
    OptBool("CheckBookEditor", &cfg_CheckBookEditor, 0, 0, kShared),
    OptBool("showversioncontrol", &cfg_showversioncontrol, 1, 0, kShared),
    OptBool("genfileset", &cfg_genfileset, 1, 0, kShared),
    OptBool("sourcefileset", &cfg_sourcefileset, 1, 0, kShared),
    OptBool("buildfileset", &cfg_buildfileset, 1, 0, kShared),
    OptBool("execfileset", &cfg_execfileset, 1, 0, kShared),
    OptBool("debugserverset", &cfg_debugserverset, 1, 0, kShared),
    OptBool("clipmanlaunch", &cfg_clipmanlaunch, 0, 0, kShared),
    OptInt("ignoremotion", &cfg_ignoremotion, 4, &ignoremotionRange),
    OptInt("scrollbarwidth", &cfg_scrollbarwidth, 19, &scrollbarwidthRange, kRefreshLayout,
           kShared),
    OptInt("linesnonoverlapped", &cfg_linesnonoverlapped, 2, &linesnonoverlappedRange, 0, kShared),
    OptInt("menudelay", &cfg_menudelay, 250, &menudelayRange, 0, kShared),
    OptChoice("scrolllocation", &cfg_scrolllocation, kScrolllocationRight, scrolllocationChoices,
              kRefreshLayout, kShared),
    OptChoice("scrollhlocation", &cfg_scrollhlocation, kScrollhlocationBottom,
              scrollhlocationChoices, kRefreshLayout, kShared),
    OptChoice("showprogress", &cfg_showprogress, kShowprogressBar, showprogressChoices, 0, kShared),
    OptChoice("warppointer", &cfg_warppointer, kWarppointerNever, warppointerChoices, 0, kShared),
    OptChoice("PromptQuitDebugger", &cfg_PromptQuitDebugger, kPromptQuitDebuggerRunning,
              PromptQuitDebuggerChoices),
    OptChoice("rememberdirs", &cfg_rememberdirs, kRememberdirsAlways, rememberdirsChoices, 0,
              kShared),
    OptString("tempFileDir", &cfg_tempFileDir, nullptr),
    OptString("font", &cfg_font, "-*-courier-medium-r-normal--12-*-*-*-*-*-*-*", kRefreshFonts,
              kShared),
    OptString("buttonfont", &cfg_buttonfont, "-*-helvetica-medium-r-normal--12-*-*-*-*-*-*-*",
              kRefreshFonts, kShared),
    OptString("kanjifont", &cfg_kanjifont, nullptr, kRefreshFonts),
    OptString("genfilesdir", &cfg_genfilesdir, nullptr),
    OptString("sourcefilesdir", &cfg_sourcefilesdir, nullptr),
    OptString("buildfilesdir", &cfg_buildfilesdir, nullptr),
    OptString("execfilesdir", &cfg_execfilesdir, nullptr),
    OptString("debugserversdir", &cfg_debugserversdir, nullptr),
    OptString("clipmanpath", &cfg_clipmanpath, nullptr),
    OptFunc("usewmhinting", CDoUseWMHinting),
    End()};
static_assert(Rows(table4) == 47, "table 4");

// Table 5: help, connections and the texts of buttons, labels and messages.
static _ConfigOption table5[] = {
    OptBool("browserUseRemote", &cfg_browserUseRemote, 1),
    OptBool("helpInNewWindow", &cfg_helpInNewWindow, 0),
    OptBool("helpNoRemoteCommand", &cfg_helpNoRemoteCommand, 0),
    OptBool("helpNoJava", &cfg_helpNoJava, 0),
    OptBool("helpNoFrame", &cfg_helpNoFrame, 0),
    OptBool("helpContextDisambiguates", &cfg_helpContextDisambiguates, 1),
    OptBool("beep", &cfg_beep, 1, 0, kShared),
    OptBool("autoOpenConnectionFilesFromVpjFiles", &cfg_autoOpenConnectionFilesFromVpjFiles, 1),
    OptBool("autoOpenConnectionFilesFromBldFiles", &cfg_autoOpenConnectionFilesFromBldFiles, 1),
    OptBool("autoSaveConnectionsInFiles", &cfg_autoSaveConnectionsInFiles, 1),
    OptBool("autoSaveUserConnections", &cfg_autoSaveUserConnections, 1),
    OptBool("displayConnectionTypeInChooser", &cfg_displayConnectionTypeInChooser, 1),
    OptBool("autoConnectionMode", &cfg_autoConnectionMode, 0),
    OptBool("autoVerifyROMSections", &cfg_autoVerifyROMSections, 0),
    OptBool("showGrepCommand", &cfg_showGrepCommand, 0),
    OptInt("helpPortNumber", &cfg_helpPortNumber, 9300, &helpPortNumberRange),
    OptInt("helpNumPortsToScan", &cfg_helpNumPortsToScan, 10, &helpNumPortsToScanRange),
    OptInt("clickpause", &clickpause, 4, &clickpauseRange, 0, kShared),
    OptInt("mempcrAddress", &cfg_mempcrAddress, 0, &mempcrAddressRange, 0, kHidden),
    OptChoice("onlineHelpMethod", &cfg_onlineHelpMethod, kOnlineHelpMethodViewer,
              onlineHelpMethodChoices),
    OptChoice("exprcasesensitivity", &cfg_exprcasesensitivity, kExprcasesensitivityLanguage,
              exprcasesensitivityChoices),
    OptChoice("configsavemode", &cfg_configsavemode, kConfigsavemodeAsk, configsavemodeChoices),
    OptChoice("hovervalues", &cfg_hovervalues, kHovervaluesTooltip, hovervaluesChoices),
    OptString("browserCommand", &cfg_browserCommand, nullptr),
    OptString("helpBrowser", &cfg_helpBrowser, nullptr),
    OptString("helpNonGuiBrowser", &cfg_helpNonGuiBrowser, nullptr),
    OptString("geometry", &cfg_geometry, nullptr),
    OptString("viewdef", &cfg_viewdef, nullptr),
    OptString("autodebug", &cfg_autodebug, nullptr),
    OptString("printcommand", &cfg_printcommand, "lp"),
    OptString("saveEvents", &cfg_saveEvents, nullptr, 0, kHidden),
    OptString("restoreEvents", &cfg_restoreEvents, nullptr, 0, kHidden),
    OptString("view.vbase", &cfg_view_vbase, "virtual base"),
    OptString("view.base", &cfg_view_base, "base"),
    OptString("view.in", &cfg_view_in, "in"),
    OptString("view.virtuals", &cfg_view_virtuals, "virtuals"),
    OptString("view.nonatomic", &cfg_view_nonatomic, "non-atomic"),
    OptString("button.ok", &cfg_button_ok, "OK", kRefreshButtons),
    OptString("button.cancel", &cfg_button_cancel, "Cancel", kRefreshButtons),
    OptString("button.yes", &cfg_button_yes, "Yes", kRefreshButtons),
    OptString("button.no", &cfg_button_no, "No", kRefreshButtons),
    OptString("button.all", &cfg_button_all, "All", kRefreshButtons),
    OptString("button.none", &cfg_button_none, "None", kRefreshButtons),
    OptString("button.close", &cfg_button_close, "Close", kRefreshButtons),
    OptString("button.pop", &cfg_button_pop, "Pop", kRefreshButtons),
    OptString("button.help", &cfg_button_help, "Help", kRefreshButtons),
    OptString("button.shrink", &cfg_button_shrink, "Shrink", kRefreshButtons),
    OptString("button.dup", &cfg_button_dup, "Dup", kRefreshButtons),
    OptString("button.freeze", &cfg_button_freeze, "Freeze", kRefreshButtons),
    OptString("button.thaw", &cfg_button_thaw, "Thaw", kRefreshButtons),
    OptString("button.quit", &cfg_button_quit, "Quit", kRefreshButtons),
    OptString("button.really", &cfg_button_really, "Really", kRefreshButtons),
    OptString("button.file1", &cfg_button_file1, "File 1", kRefreshButtons),
    OptString("button.file2", &cfg_button_file2, "File 2", kRefreshButtons),
    OptString("button.base", &cfg_button_base, "Base", kRefreshButtons),
    OptString("button.abort", &cfg_button_abort, "Abort", kRefreshButtons),
    OptString("button.proceed", &cfg_button_proceed, "Proceed", kRefreshButtons),
    OptString("button.auto", &cfg_button_auto, "Auto", kRefreshButtons),
    OptString("button.merge", &cfg_button_merge, "Merge", kRefreshButtons),
    OptString("button.12", &cfg_button_12, "1 + 2", kRefreshButtons),
    OptString("button.1base", &cfg_button_1base, "1 + Base", kRefreshButtons),
    OptString("button.2base", &cfg_button_2base, "2 + Base", kRefreshButtons),
    OptString("button.both", &cfg_button_both, "Both", kRefreshButtons),
    OptString("button.bothcontrol", &cfg_button_bothcontrol, "Both Control", kRefreshButtons),
    OptString("button.setcb", &cfg_button_setcb, "Set CB", kRefreshButtons),
    OptString("button.startsword", &cfg_button_startsword, "Starts Word", kRefreshButtons),
    OptString("button.endsword", &cfg_button_endsword, "Ends Word", kRefreshButtons),
    OptString("button.startsline", &cfg_button_startsline, "Starts Line", kRefreshButtons),
    OptString("button.endsline", &cfg_button_endsline, "Ends Line", kRefreshButtons),
    OptString("button.searchtype", &cfg_button_searchtype, "Search Type", kRefreshButtons),
    OptString("button.normal", &cfg_button_normal, "Normal", kRefreshButtons),
    OptString("button.wildcards", &cfg_button_wildcards, "Wildcards", kRefreshButtons),
    OptString("button.re", &cfg_button_re, "Regular Expression", kRefreshButtons),
    OptString("button.edit", &cfg_button_edit, "Edit", kRefreshButtons),
    OptString("label.copyfrom", &cfg_label_copyfrom, "Copy from:", kRefreshButtons),
    OptString("label.sync", &cfg_label_sync, "Synchronize", kRefreshButtons),
    OptString("label.sync2", &cfg_label_sync2, "Synchronize with", kRefreshButtons),
    OptString("label.before", &cfg_label_before, "before", kRefreshButtons),
    OptString("label.between", &cfg_label_between, "between", kRefreshButtons),
    OptString("label.after", &cfg_label_after, "after", kRefreshButtons),
    OptString("label.precedes", &cfg_label_precedes, "precedes", kRefreshButtons),
    OptString("label.insert", &cfg_label_insert, "Insert", kRefreshButtons),
    OptString("msg.merge", &cfg_msg_merge, "Merging"),
    OptString("msg.prefix", &cfg_msg_prefix, ">"),
    OptString("button.find", &cfg_button_find, "Find", kRefreshButtons),
    OptString("button.replace", &cfg_button_replace, "Replace", kRefreshButtons),
    OptString("button.rplthenfind", &cfg_button_rplthenfind, "Replace then Find", kRefreshButtons),
    OptString("button.findthenrpl", &cfg_button_findthenrpl, "Find then Replace", kRefreshButtons),
    OptString("button.allrpl", &cfg_button_allrpl, "Replace All", kRefreshButtons),
    OptString("button.undo", &cfg_button_undo, "Undo", kRefreshButtons),
    OptString("button.case", &cfg_button_case, "Case", kRefreshButtons),
    OptString("button.forward", &cfg_button_forward, "Forward", kRefreshButtons),
    OptString("button.backward", &cfg_button_backward, "Backward", kRefreshButtons),
    OptString("button.exact", &cfg_button_exact, "Exact", kRefreshButtons),
    OptString("button.either", &cfg_button_either, "Either", kRefreshButtons),
    OptString("status.srchabrt", &cfg_status_srchabrt, "Search aborted"),
    OptString("status.srchsrch", &cfg_status_srchsrch, "Searching..."),
    OptString("status.srchre", &cfg_status_srchre, "Regular expression search"),
    OptString("status.srchwild", &cfg_status_srchwild, "Wildcard search"),
    OptString("status.srchline", &cfg_status_srchline, "Line search"),
    OptString("status.srchword", &cfg_status_srchword, "Word search"),
    OptString("status.failed", &cfg_status_failed, "Failed"),
    OptString("status.readonly", &cfg_status_readonly, "Read only"),
    OptString("button.mkdir", &cfg_button_mkdir, "Make Directory", kRefreshButtons),
    OptString("button.updir", &cfg_button_updir, "Up", kRefreshButtons),
    OptString("button.pwd", &cfg_button_pwd, "Current Directory", kRefreshButtons),
    OptString("button.delete", &cfg_button_delete, "Delete", kRefreshButtons),
    OptString("dialogue.reallykill", &cfg_dialogue_reallykill, "Really kill the process?"),
    OptString("dialogue.nonptr", &cfg_dialogue_nonptr, "The value is not a pointer."),
    OptString("dialogue.regname", &cfg_dialogue_regname, "Register name:"),
    OptString("dialogue.openindex", &cfg_dialogue_openindex, "Open index:"),
    OptString("dialogue.openfield", &cfg_dialogue_openfield, "Open field:"),
    OptString("dialogue.newaddr", &cfg_dialogue_newaddr, "New address:"),
    OptString("dialogue.newtype", &cfg_dialogue_newtype, "New type:"),
    OptString("dialogue.path", &cfg_dialogue_path, "Path:"),
    OptString("dialogue.newcommand", &cfg_dialogue_newcommand, "New command:"),
    OptString("dialogue.delbrk", &cfg_dialogue_delbrk, "Delete the breakpoint?"),
    OptString("dialogue.brk", &cfg_dialogue_brk, "Breakpoint:"),
    OptString("dialogue.peruse", &cfg_dialogue_peruse, "Peruse:"),
    OptString("dialogue.bif", &cfg_dialogue_bif, "Breakpoint condition:"),
    OptString("dialogue.edit", &cfg_dialogue_edit, "Edit:"),
    OptString("dialogue.call", &cfg_dialogue_call, "Call:"),
    OptString("dialogue.cast", &cfg_dialogue_cast, "Cast to type:"),
    OptString("dialogue.addvar", &cfg_dialogue_addvar, "Add variable:"),
    OptString("status.source", &cfg_status_source, "Source"),
    OptString("status.nosource", &cfg_status_nosource, "No source"),
    OptString("status.noprogram", &cfg_status_noprogram, "No program"),
    OptString("status.noprocess", &cfg_status_noprocess, "No process"),
    OptString("status.stopped", &cfg_status_stopped, "Stopped"),
    OptString("status.stoppedin", &cfg_status_stoppedin, "Stopped in"),
    OptString("status.running", &cfg_status_running, "Running"),
    OptString("status.dying", &cfg_status_dying, "Dying"),
    OptString("status.forking", &cfg_status_forking, "Forking"),
    OptString("status.execing", &cfg_status_execing, "Executing"),
    OptString("status.continuing", &cfg_status_continuing, "Continuing"),
    OptString("status.csrch", &cfg_status_csrch, "Case-sensitive search"),
    OptString("status.ssrch", &cfg_status_ssrch, "Search"),
    OptString("status.srch", &cfg_status_srch, "Searching"),
    OptString("status.replacing", &cfg_status_replacing, "Replacing"),
    OptString("status.file", &cfg_status_file, "File"),
    OptString("status.target", &cfg_status_target, "Target"),
    OptString("status.proc", &cfg_status_proc, "Procedure"),
    OptString("message.running", &cfg_message_running, "running"),
    OptString("message.stoppedby", &cfg_message_stoppedby, "stopped by"),
    OptString("message.on", &cfg_message_on, "on"),
    OptString("message.read", &cfg_message_read, "read"),
    OptString("message.write", &cfg_message_write, "write"),
    OptString("message.execute", &cfg_message_execute, "execute"),
    OptString("message.mask", &cfg_message_mask, "mask"),
    OptString("message.behalf", &cfg_message_behalf, "on behalf of"),
    OptString("message.hardware", &cfg_message_hardware, "hardware"),
    OptString("orbitWinPreName", &cfg_orbitWinPreName, nullptr, 0, kHidden),
    OptString("orbitIconPreName", &cfg_orbitIconPreName, nullptr, 0, kHidden),
    OptString("mssConfigFile", &cfg_mssConfigFile, nullptr, 0, kHidden),
    OptFunc("configdir", CDoSetConfigDir),
    OptFunc("configure", CDoConfigure),
    OptFunc("configurefile", CDoConfigureFile),
    OptFunc("autorecord", cfg_DevEnvCommand, 0, kHidden),
    OptFunc("clearbuttons", cfg_DevEnvCommand, kRefreshButtons),
    OptFunc("button", cfg_DevEnvCommand, kRefreshButtons),
    OptFunc("debugbutton", cfg_DevEnvCommand, kRefreshButtons),
    OptFunc("editbutton", cfg_DevEnvCommand, kRefreshButtons),
    OptFunc("cleareditbuttons", cfg_DevEnvCommand, kRefreshButtons),
    OptFunc("clearkeys", cfg_DevEnvCommand),
    OptFunc("key", cfg_DevEnvCommand),
    OptFunc("keybind", cfg_DevEnvCommand),
    OptFunc("clearmice", cfg_DevEnvCommand),
    OptFunc("mouse", cfg_DevEnvCommand),
    OptFunc("icongeometry", CDoIconGeometry),
    OptFunc("dumpResources", cfg_DevEnvCommand, 0, kHidden),
    OptFunc("dialoguefile", cfg_DevEnvCommand),
    OptFunc("menu", cfg_DevEnvCommand),
    OptFunc("clearmenus", cfg_DevEnvCommand),
    OptFunc("iconify", CDoIconify),
    End()};
static_assert(Rows(table5) == 174, "table 5");

// Table 6: GUI tracing.
static _ConfigOption table6[] = {
    OptString("tracegui.name", &cfg_tracegui_name, nullptr, 0, kHidden), End()};
static_assert(Rows(table6) == 1, "table 6");

// Table 7: the integration tool.
static _ConfigOption table7[] = {
    OptInt("integrate.canvaswidth", &cfg_integrate_canvaswidth, 640, &integrate_canvaswidthRange),
    OptInt("integrate.canvasheight", &cfg_integrate_canvasheight, 480,
           &integrate_canvasheightRange),
    OptString("integrate.intexname", &cfg_integrate_intexname, "intex"),
    OptString("integrate.asbindir", &cfg_integrate_asbindir, nullptr),
    OptString("integrate.taskfuncname", &cfg_integrate_taskfuncname, "main"),
    OptString("integrate.targetfilename", &cfg_integrate_targetfilename, nullptr),
    OptString("integrate.kernelfilename", &cfg_integrate_kernelfilename, nullptr),
    OptString("integrate.outputfilename", &cfg_integrate_outputfilename, "integrate.out"),
    End()};
static_assert(Rows(table7) == 8, "table 7");

// Table 8: version control.
static _ConfigOption table8[] = {
    OptBool("dontusevc", &cfg_dontusevc, 0),
    OptBool("Versctrl_MVCAutoCheckout", &cfg_Versctrl_MVCAutoCheckout, 0),
    OptBool("Versctrl_RCSAutoCheckout", &cfg_Versctrl_RCSAutoCheckout, 0),
    OptBool("Versctrl_ClearCaseAutoCheckout", &cfg_Versctrl_ClearCaseAutoCheckout, 0),
    OptBool("Versctrl_SourceSafeAutoCheckout", &cfg_Versctrl_SourceSafeAutoCheckout, 0),
    OptBool("Versctrl_PVCSAutoCheckout", &cfg_Versctrl_PVCSAutoCheckout, 0),
    OptBool("Versctrl_CustomAutoCheckout", &cfg_Versctrl_CustomAutoCheckout, 0),
    OptChoice("versioncontroltype", &cfg_versioncontroltype, kVersioncontroltypeNone,
              versioncontroltypeChoices),
    OptString("Versctrl_CVSPath", &cfg_Versctrl_CVSPath, "cvs"),
    OptString("Versctrl_RCSPath", &cfg_Versctrl_RCSPath, nullptr),
    OptString("Versctrl_ClearCasePath", &cfg_Versctrl_ClearCasePath, nullptr),
    OptString("Versctrl_SourceSafePath", &cfg_Versctrl_SourceSafePath, nullptr),
    OptString("Versctrl_SourceSafeUsername", &cfg_Versctrl_SourceSafeUsername, nullptr),
    OptString("Versctrl_SourceSafeDatabase", &cfg_Versctrl_SourceSafeDatabase, nullptr),
    OptString("Versctrl_SourceSafeRoot", &cfg_Versctrl_SourceSafeRoot, nullptr),
    OptString("Versctrl_PVCSDatabase", &cfg_Versctrl_PVCSDatabase, nullptr),
    OptString("Versctrl_PVCSRoot", &cfg_Versctrl_PVCSRoot, nullptr),
    OptString("Versctrl_CustomPath", &cfg_Versctrl_CustomPath, nullptr),
    OptString("vc_undervc", &cfg_vc_undervc, nullptr),
    OptString("vc_co", &cfg_vc_co, nullptr),
    OptString("vc_get", &cfg_vc_get, nullptr),
    OptString("vc_unco", &cfg_vc_unco, nullptr),
    OptString("vc_ci", &cfg_vc_ci, nullptr),
    OptString("vc_create", &cfg_vc_create, nullptr),
    OptString("vc_show", &cfg_vc_show, nullptr),
    OptString("vc_who", &cfg_vc_who, nullptr),
    OptString("vc_prevver", &cfg_vc_prevver, nullptr),
    OptString("vc_command", &cfg_vc_command, nullptr),
    OptString("vc_diff", &cfg_vc_diff, nullptr),
    OptString("vc_when", &cfg_vc_when, nullptr),
    OptString("vc_cinocomments", &cfg_vc_cinocomments, nullptr),
    End()};
static_assert(Rows(table8) == 31, "table 8");

// Table 9: the external editor.
static _ConfigOption table9[] = {
    OptBool("usextermforalternateeditor", &cfg_usextermforalternateeditor, 1),
    OptBool("ExtEditor_EmacsUseXTerm", &cfg_ExtEditor_EmacsUseXTerm, 0),
    OptBool("ExtEditor_ViUseXTerm", &cfg_ExtEditor_ViUseXTerm, 1),
    OptBool("ExtEditor_OtherUseXTerm", &cfg_ExtEditor_OtherUseXTerm, 0),
    OptString("editor", &cfg_editor, "vi"),
    OptString("editorLaunch", &cfg_editorLaunch, nullptr),
    OptString("ExtEditor_Choice", &cfg_ExtEditor_Choice, "vi"),
    OptString("ExtEditor_EmacsPath", &cfg_ExtEditor_EmacsPath, "emacs"),
    OptString("ExtEditor_EmacsArgumentFormat", &cfg_ExtEditor_EmacsArgumentFormat, "+%l %f"),
    OptString("ExtEditor_ViPath", &cfg_ExtEditor_ViPath, "vi"),
    OptString("ExtEditor_ViArgumentFormat", &cfg_ExtEditor_ViArgumentFormat, "+%l %f"),
    OptString("ExtEditor_OtherPath", &cfg_ExtEditor_OtherPath, nullptr),
    OptString("ExtEditor_OtherArgumentFormat", &cfg_ExtEditor_OtherArgumentFormat, "%f"),
    End()};
static_assert(Rows(table9) == 13, "table 9");

// Table 10: the distribution.
static _ConfigOption table10[] = {OptString("bulwark_dist", &cfg_bulwark_dist, nullptr, 0, kHidden),
                                  End()};
static_assert(Rows(table10) == 1, "table 10");

_ConfigOption* options[kNumConfigTables] = {table0, table1, table2, table3, table4, table5,
                                            table6, table7, table8, table9, table10};

int GetNumOptions() {
    return kNumConfigTables;
}
static_assert(Rows(table0) + Rows(table1) + Rows(table2) + Rows(table3) + Rows(table4) +
                      Rows(table5) + Rows(table6) + Rows(table7) + Rows(table8) + Rows(table9) +
                      Rows(table10) ==
                  kNumConfigOptions,
              "every option");
