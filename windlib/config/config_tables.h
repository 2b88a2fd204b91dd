// The configuration options as data: the 11 tables, the variable behind every option (two
// per colour: its text and the pixel allocated for it) and the values of the choice options.
// Code reads the variables directly; they change through cfg_ScanLine and
// cfg_SetEverythingToDefaults. Each is named "cfg_" and the option name with '.' as '_',
// except the few the toolkit knows by its own names (clickpause, colorsyntax, TooltipsOn,
// vfBlinkingCaret, vfIconifiedButtons). The rows themselves are in config_tables.cpp.
#pragma once

#include "windlib/config/config_options.h"

enum { kNumConfigTables = 11, kNumConfigOptions = 471 };

// The tables in lookup order, each ended by a record with a null name.
extern _ConfigOption* options[kNumConfigTables];
int GetNumOptions(); // the number of tables

// Table 0: window sizes.
extern ConfigSize cfg_minviewsize;
extern ConfigSize cfg_maxviewsize;
extern ConfigSize cfg_minwindowsize;
extern ConfigSize cfg_maxwindowsize;
extern ConfigSize cfg_firstposition;
extern ConfigSize cfg_builderposition;

// Table 1: colours.
extern unsigned char cfg_useFileRelLineBG;
extern unsigned char cfg_useProcRelLineBG;
extern char* cfg_background;
extern unsigned long cfg_background_pixel;
extern char* cfg_foreground;
extern unsigned long cfg_foreground_pixel;
extern char* cfg_controlcolor;
extern unsigned long cfg_controlcolor_pixel;
extern char* cfg_select;
extern unsigned long cfg_select_pixel;
extern char* cfg_assembly;
extern unsigned long cfg_assembly_pixel;
extern char* cfg_breakcolor;
extern unsigned long cfg_breakcolor_pixel;
extern char* cfg_pointercolor;
extern unsigned long cfg_pointercolor_pixel;
extern char* cfg_bdotcolor;
extern unsigned long cfg_bdotcolor_pixel;
extern char* cfg_comment;
extern unsigned long cfg_comment_pixel;
extern char* cfg_deadcode;
extern unsigned long cfg_deadcode_pixel;
extern char* cfg_keyword;
extern unsigned long cfg_keyword_pixel;
extern char* cfg_string;
extern unsigned long cfg_string_pixel;
extern char* cfg_number;
extern unsigned long cfg_number_pixel;
extern char* cfg_character;
extern unsigned long cfg_character_pixel;
extern char* cfg_customized;
extern unsigned long cfg_customized_pixel;
extern char* cfg_nobuild;
extern unsigned long cfg_nobuild_pixel;
extern char* cfg_program;
extern unsigned long cfg_program_pixel;
extern char* cfg_subprogram;
extern unsigned long cfg_subprogram_pixel;
extern char* cfg_source;
extern unsigned long cfg_source_pixel;
extern char* cfg_header;
extern unsigned long cfg_header_pixel;
extern char* cfg_documentation;
extern unsigned long cfg_documentation_pixel;
extern char* cfg_library;
extern unsigned long cfg_library_pixel;
extern char* cfg_object;
extern unsigned long cfg_object_pixel;
extern char* cfg_singlelibrary;
extern unsigned long cfg_singlelibrary_pixel;
extern char* cfg_script;
extern unsigned long cfg_script_pixel;
extern char* cfg_other;
extern unsigned long cfg_other_pixel;
extern char* cfg_TBFunctionNormalFG;
extern unsigned long cfg_TBFunctionNormalFG_pixel;
extern char* cfg_TBFunctionNoInfoFG;
extern unsigned long cfg_TBFunctionNoInfoFG_pixel;
extern char* cfg_TBFunctionRecursiveFG;
extern unsigned long cfg_TBFunctionRecursiveFG_pixel;
extern char* cfg_TBFunctionAdrTakenFG;
extern unsigned long cfg_TBFunctionAdrTakenFG_pixel;
extern char* cfg_TBDynNormalFG;
extern unsigned long cfg_TBDynNormalFG_pixel;
extern char* cfg_TBDynNoInfoFG;
extern unsigned long cfg_TBDynNoInfoFG_pixel;
extern char* cfg_TBFileNormalFG;
extern unsigned long cfg_TBFileNormalFG_pixel;
extern char* cfg_TBFileNoInfoFG;
extern unsigned long cfg_TBFileNoInfoFG_pixel;
extern char* cfg_TBClassUnionFG;
extern unsigned long cfg_TBClassUnionFG_pixel;
extern char* cfg_TBClassEnumFG;
extern unsigned long cfg_TBClassEnumFG_pixel;
extern char* cfg_TBClassStructFG;
extern unsigned long cfg_TBClassStructFG_pixel;
extern char* cfg_TBClassClassFG;
extern unsigned long cfg_TBClassClassFG_pixel;
extern char* cfg_TBClassNoInfoFG;
extern unsigned long cfg_TBClassNoInfoFG_pixel;
extern char* cfg_TBFunctionNormalBG;
extern unsigned long cfg_TBFunctionNormalBG_pixel;
extern char* cfg_TBFunctionNoInfoBG;
extern unsigned long cfg_TBFunctionNoInfoBG_pixel;
extern char* cfg_TBFunctionRecursiveBG;
extern unsigned long cfg_TBFunctionRecursiveBG_pixel;
extern char* cfg_TBFunctionAdrTakenBG;
extern unsigned long cfg_TBFunctionAdrTakenBG_pixel;
extern char* cfg_TBDynNormalBG;
extern unsigned long cfg_TBDynNormalBG_pixel;
extern char* cfg_TBDynNoInfoBG;
extern unsigned long cfg_TBDynNoInfoBG_pixel;
extern char* cfg_TBFileNormalBG;
extern unsigned long cfg_TBFileNormalBG_pixel;
extern char* cfg_TBFileNoInfoBG;
extern unsigned long cfg_TBFileNoInfoBG_pixel;
extern char* cfg_TBClassUnionBG;
extern unsigned long cfg_TBClassUnionBG_pixel;
extern char* cfg_TBClassEnumBG;
extern unsigned long cfg_TBClassEnumBG_pixel;
extern char* cfg_TBClassStructBG;
extern unsigned long cfg_TBClassStructBG_pixel;
extern char* cfg_TBClassClassBG;
extern unsigned long cfg_TBClassClassBG_pixel;
extern char* cfg_TBClassNoInfoBG;
extern unsigned long cfg_TBClassNoInfoBG_pixel;
extern char* cfg_fileRelLineBG;
extern unsigned long cfg_fileRelLineBG_pixel;
extern char* cfg_procRelLineBG;
extern unsigned long cfg_procRelLineBG_pixel;
extern char* cfg_startedConnectionFG;
extern unsigned long cfg_startedConnectionFG_pixel;
extern char* cfg_diffHighlight;
extern unsigned long cfg_diffHighlight_pixel;
extern char* cfg_PathAnalyzerFg0;
extern unsigned long cfg_PathAnalyzerFg0_pixel;
extern char* cfg_PathAnalyzerFg1;
extern unsigned long cfg_PathAnalyzerFg1_pixel;
extern char* cfg_PathAnalyzerFg2;
extern unsigned long cfg_PathAnalyzerFg2_pixel;
extern char* cfg_PathAnalyzerFg3;
extern unsigned long cfg_PathAnalyzerFg3_pixel;
extern char* cfg_PathAnalyzerFg4;
extern unsigned long cfg_PathAnalyzerFg4_pixel;
extern char* cfg_PathAnalyzerFg5;
extern unsigned long cfg_PathAnalyzerFg5_pixel;
extern char* cfg_PathAnalyzerBg0;
extern unsigned long cfg_PathAnalyzerBg0_pixel;
extern char* cfg_PathAnalyzerBg1;
extern unsigned long cfg_PathAnalyzerBg1_pixel;
extern char* cfg_PathAnalyzerBg2;
extern unsigned long cfg_PathAnalyzerBg2_pixel;
extern char* cfg_PathAnalyzerBg3;
extern unsigned long cfg_PathAnalyzerBg3_pixel;
extern char* cfg_PathAnalyzerBg4;
extern unsigned long cfg_PathAnalyzerBg4_pixel;
extern char* cfg_PathAnalyzerBg5;
extern unsigned long cfg_PathAnalyzerBg5_pixel;

// Table 2: the editor.
extern unsigned char cfg_wordwrap;
extern unsigned char cfg_cppCommentsInC;
extern unsigned char cfg_editorbackups;
extern unsigned char cfg_exactcase;
extern unsigned char cfg_editprint2column;
extern unsigned char cfg_draganddrop;
extern unsigned char cfg_tabsarespaces;
extern unsigned char cfg_preventautocheckout;
extern unsigned char cfg_rememberwindowpositions;
extern unsigned char cfg_closebuttonontitlebar;
extern unsigned char cfg_openfilesinnewbuffers;
extern unsigned char cfg_autoGrabHeadFiles;
extern unsigned char cfg_AIimplicitindent;
extern unsigned char cfg_AIimplicitindentincomments;
extern unsigned char cfg_AIswitchintwo;
extern unsigned char cfg_AItouchcomments;
extern unsigned char cfg_AIcommentsstayflushleft;
extern unsigned char cfg_usealternateeditor;
extern unsigned char cfg_allowmiddleclick;
extern unsigned char cfg_allowovertypemode;
extern unsigned char cfg_isearchreturn;
extern int cfg_adaindentsize;
extern int cfg_adacontinuationsize;
extern int cfg_wrapcolumn;
extern int cfg_wrapindent;
extern int cfg_fillparagraphcolumn;
extern int cfg_editindent;
extern int cfg_tabsize;
extern int cfg_editwidth;
extern int cfg_editheight;
extern int cfg_editincrfrequency;
extern int cfg_editparenmatch;
extern int cfg_editsomesize;
extern int cfg_SelectionMarginWidth;
extern int cfg_AIparenindentmode;
extern int cfg_AIadaparenindentmode;
extern char* cfg_AIcharslikestarincomment;

// Table 3: the debugger.
extern unsigned char cfg_ImplicitEvalEcho;
extern unsigned char cfg_shellconfirm;
extern unsigned char cfg_sharedsymbols;
extern unsigned char cfg_procRelativeLines;
extern unsigned char cfg_interleavedOutput;
extern unsigned char cfg_bufferlogs;
extern unsigned char cfg_StepToBpIgnoresResumeInBpCmd;
extern unsigned char cfg_QualifyingLabelDenotesImmediatelyFollowingBlock;
extern unsigned char cfg_ProcQualifiedLocalImpliesOutermostBlock;
extern unsigned char cfg_WarnOnBpReplacement;
extern unsigned char cfg_WarnOnCmdAdrLinePromotion;
extern unsigned char cfg_AttemptToShowOldVersionOfUpdateSource;
extern unsigned char cfg_DownloadWindow;
extern unsigned char cfg_blockstep;
extern unsigned char cfg_blockrun;
extern unsigned char cfg_showaddress;
extern unsigned char cfg_lowbandwidthtovc;
extern unsigned char cfg_viewunsignedcharasint;
extern unsigned char cfg_hexmode;
extern unsigned char cfg_paddedhex;
extern unsigned char cfg_BPSyntaxChecking;
extern unsigned char cfg_AssertionSyntaxChecking;
extern unsigned char cfg_leaveTypeDef;
extern unsigned char cfg_VERIFYHALT;
extern unsigned char cfg_ShowPosInNoDisplayMode;
extern unsigned char cfg_DisableCarriageReturnRepeat;
extern unsigned char cfg_SaveCommandHistory;
extern unsigned char cfg_SaveDebugServer;
extern unsigned char cfg_SaveViewWindows;
extern unsigned char cfg_SaveRunArguments;
extern unsigned char cfg_SaveDebuggerWindowPos;
extern unsigned char cfg_OverwriteScriptBreakpoints;
extern unsigned char cfg_DerefPointer;
extern unsigned char cfg_ContinuePlaybackFileOnError;
extern unsigned char cfg_AbortPlaybackFileOnSeriousError;
extern unsigned char cfg_AllowExecutionInBpCommand;
extern unsigned char cfg_AllowExecutionInAssertionCommand;
extern unsigned char cfg_SilentlyReloadSymbols;
extern unsigned char cfg_SimpleDisplayOfUnknownProcs;
extern unsigned char cfg_GotoHitsBpAtTargetAddress;
extern unsigned char cfg_ShowTargetWindows;
extern unsigned char cfg_haltonattach;
extern unsigned char cfg_QuietTogCmd;
extern unsigned char cfg_sdlNameDisplay;
extern unsigned char cfg_printNewLineAfterSDLCommand;
extern unsigned char cfg_useHWBPForSingleStep;
extern unsigned char cfg_LoadLongArraysOnViewWinCreation;
extern unsigned char cfg_EchoCommandsFromPlaybackFiles;
extern unsigned char cfg_RecordCommentedCommandsFromMacros;
extern unsigned char cfg_PrintReturnValues;
extern unsigned char cfg_DeleteDeadTaskFromGroup;
extern unsigned char cfg_RequestOsaPackage;
extern unsigned char cfg_MemViewBuffer;
extern unsigned char cfg_autoDwarf2dbo;
extern unsigned char cfg_autoStabs2dbo;
extern unsigned char cfg_GlobalHeading;
extern unsigned char cfg_ViewWindowDefaultToTree;
extern unsigned char cfg_UnifyViewWindows;
extern unsigned char cfg_TraceAlwaysOn;
extern unsigned char cfg_SetBPAtAdrInitWhenExecing;
extern unsigned char cfg_ShowTraceOSAWindows;
extern int cfg_grabtimeout;
extern int cfg_cwindlines;
extern int cfg_ctextsize;
extern int cfg_history;
extern int cfg_servertimeout;
extern int cfg_serverscalefactor;
extern int cfg_ServerPollInterval;
extern int cfg_FormatStringMaxLength;
extern int cfg_FormatStringMaxDepth;
extern int cfg_maxContainerDisplaySize;
extern int cfg_containerSizeIncrement;
extern int cfg_LongjmpStepMode;
extern int cfg_backgroundmode;
extern int cfg_viewsarechildrenmode;
extern int cfg_rememberbreakpoints;
extern int cfg_linenumbermode;
extern int cfg_disasmStyle;
extern int cfg_debugbuttonsloc;
extern int cfg_TaskMatchCriteria;
extern char* cfg_prompt;
extern char* cfg_preferredTranslationTmpDir;

// Table 4: look and feel.
extern unsigned char cfg_autoediterrors;
extern unsigned char cfg_autoeditwarnings;
extern unsigned char cfg_alwaysusemetofixbuilderrors;
extern unsigned char TooltipsOn;
extern unsigned char cfg_keeploaders;
extern unsigned char cfg_nodecoration;
extern unsigned char cfg_takefocus;
extern unsigned char vfIconifiedButtons;
extern unsigned char cfg_autocomplete;
extern unsigned char cfg_synchronous;
extern unsigned char cfg_moon;
extern unsigned char colorsyntax;
extern unsigned char cfg_colorbuilder;
extern unsigned char cfg_usewmpositioning;
extern unsigned char cfg_blackwhite;
extern unsigned char vfBlinkingCaret;
extern unsigned char cfg_sjiscode;
extern unsigned char cfg_kanjiconv;
extern unsigned char cfg_CheckBookEditor;
extern unsigned char cfg_showversioncontrol;
extern unsigned char cfg_genfileset;
extern unsigned char cfg_sourcefileset;
extern unsigned char cfg_buildfileset;
extern unsigned char cfg_execfileset;
extern unsigned char cfg_debugserverset;
extern unsigned char cfg_clipmanlaunch;
extern int cfg_ignoremotion;
extern int cfg_scrollbarwidth;
extern int cfg_linesnonoverlapped;
extern int cfg_menudelay;
extern int cfg_scrolllocation;
extern int cfg_scrollhlocation;
extern int cfg_showprogress;
extern int cfg_warppointer;
extern int cfg_PromptQuitDebugger;
extern int cfg_rememberdirs;
extern char* cfg_tempFileDir;
extern char* cfg_font;
extern char* cfg_buttonfont;
extern char* cfg_kanjifont;
extern char* cfg_genfilesdir;
extern char* cfg_sourcefilesdir;
extern char* cfg_buildfilesdir;
extern char* cfg_execfilesdir;
extern char* cfg_debugserversdir;
extern char* cfg_clipmanpath;

// Table 5: help, connections and the texts of buttons, labels and messages.
extern unsigned char cfg_browserUseRemote;
extern unsigned char cfg_helpInNewWindow;
extern unsigned char cfg_helpNoRemoteCommand;
extern unsigned char cfg_helpNoJava;
extern unsigned char cfg_helpNoFrame;
extern unsigned char cfg_helpContextDisambiguates;
extern unsigned char cfg_beep;
extern unsigned char cfg_autoOpenConnectionFilesFromVpjFiles;
extern unsigned char cfg_autoOpenConnectionFilesFromBldFiles;
extern unsigned char cfg_autoSaveConnectionsInFiles;
extern unsigned char cfg_autoSaveUserConnections;
extern unsigned char cfg_displayConnectionTypeInChooser;
extern unsigned char cfg_autoConnectionMode;
extern unsigned char cfg_autoVerifyROMSections;
extern unsigned char cfg_showGrepCommand;
extern int cfg_helpPortNumber;
extern int cfg_helpNumPortsToScan;
extern int clickpause;
extern int cfg_mempcrAddress;
extern int cfg_onlineHelpMethod;
extern int cfg_exprcasesensitivity;
extern int cfg_configsavemode;
extern int cfg_hovervalues;
extern char* cfg_browserCommand;
extern char* cfg_helpBrowser;
extern char* cfg_helpNonGuiBrowser;
extern char* cfg_geometry;
extern char* cfg_viewdef;
extern char* cfg_autodebug;
extern char* cfg_printcommand;
extern char* cfg_saveEvents;
extern char* cfg_restoreEvents;
extern char* cfg_view_vbase;
extern char* cfg_view_base;
extern char* cfg_view_in;
extern char* cfg_view_virtuals;
extern char* cfg_view_nonatomic;
extern char* cfg_button_ok;
extern char* cfg_button_cancel;
extern char* cfg_button_yes;
extern char* cfg_button_no;
extern char* cfg_button_all;
extern char* cfg_button_none;
extern char* cfg_button_close;
extern char* cfg_button_pop;
extern char* cfg_button_help;
extern char* cfg_button_shrink;
extern char* cfg_button_dup;
extern char* cfg_button_freeze;
extern char* cfg_button_thaw;
extern char* cfg_button_quit;
extern char* cfg_button_really;
extern char* cfg_button_file1;
extern char* cfg_button_file2;
extern char* cfg_button_base;
extern char* cfg_button_abort;
extern char* cfg_button_proceed;
extern char* cfg_button_auto;
extern char* cfg_button_merge;
extern char* cfg_button_12;
extern char* cfg_button_1base;
extern char* cfg_button_2base;
extern char* cfg_button_both;
extern char* cfg_button_bothcontrol;
extern char* cfg_button_setcb;
extern char* cfg_button_startsword;
extern char* cfg_button_endsword;
extern char* cfg_button_startsline;
extern char* cfg_button_endsline;
extern char* cfg_button_searchtype;
extern char* cfg_button_normal;
extern char* cfg_button_wildcards;
extern char* cfg_button_re;
extern char* cfg_button_edit;
extern char* cfg_label_copyfrom;
extern char* cfg_label_sync;
extern char* cfg_label_sync2;
extern char* cfg_label_before;
extern char* cfg_label_between;
extern char* cfg_label_after;
extern char* cfg_label_precedes;
extern char* cfg_label_insert;
extern char* cfg_msg_merge;
extern char* cfg_msg_prefix;
extern char* cfg_button_find;
extern char* cfg_button_replace;
extern char* cfg_button_rplthenfind;
extern char* cfg_button_findthenrpl;
extern char* cfg_button_allrpl;
extern char* cfg_button_undo;
extern char* cfg_button_case;
extern char* cfg_button_forward;
extern char* cfg_button_backward;
extern char* cfg_button_exact;
extern char* cfg_button_either;
extern char* cfg_status_srchabrt;
extern char* cfg_status_srchsrch;
extern char* cfg_status_srchre;
extern char* cfg_status_srchwild;
extern char* cfg_status_srchline;
extern char* cfg_status_srchword;
extern char* cfg_status_failed;
extern char* cfg_status_readonly;
extern char* cfg_button_mkdir;
extern char* cfg_button_updir;
extern char* cfg_button_pwd;
extern char* cfg_button_delete;
extern char* cfg_dialogue_reallykill;
extern char* cfg_dialogue_nonptr;
extern char* cfg_dialogue_regname;
extern char* cfg_dialogue_openindex;
extern char* cfg_dialogue_openfield;
extern char* cfg_dialogue_newaddr;
extern char* cfg_dialogue_newtype;
extern char* cfg_dialogue_path;
extern char* cfg_dialogue_newcommand;
extern char* cfg_dialogue_delbrk;
extern char* cfg_dialogue_brk;
extern char* cfg_dialogue_peruse;
extern char* cfg_dialogue_bif;
extern char* cfg_dialogue_edit;
extern char* cfg_dialogue_call;
extern char* cfg_dialogue_cast;
extern char* cfg_dialogue_addvar;
extern char* cfg_status_source;
extern char* cfg_status_nosource;
extern char* cfg_status_noprogram;
extern char* cfg_status_noprocess;
extern char* cfg_status_stopped;
extern char* cfg_status_stoppedin;
extern char* cfg_status_running;
extern char* cfg_status_dying;
extern char* cfg_status_forking;
extern char* cfg_status_execing;
extern char* cfg_status_continuing;
extern char* cfg_status_csrch;
extern char* cfg_status_ssrch;
extern char* cfg_status_srch;
extern char* cfg_status_replacing;
extern char* cfg_status_file;
extern char* cfg_status_target;
extern char* cfg_status_proc;
extern char* cfg_message_running;
extern char* cfg_message_stoppedby;
extern char* cfg_message_on;
extern char* cfg_message_read;
extern char* cfg_message_write;
extern char* cfg_message_execute;
extern char* cfg_message_mask;
extern char* cfg_message_behalf;
extern char* cfg_message_hardware;
extern char* cfg_orbitWinPreName;
extern char* cfg_orbitIconPreName;
extern char* cfg_mssConfigFile;

// Table 6: GUI tracing.
extern char* cfg_tracegui_name;

// Table 7: the integration tool.
extern int cfg_integrate_canvaswidth;
extern int cfg_integrate_canvasheight;
extern char* cfg_integrate_intexname;
extern char* cfg_integrate_asbindir;
extern char* cfg_integrate_taskfuncname;
extern char* cfg_integrate_targetfilename;
extern char* cfg_integrate_kernelfilename;
extern char* cfg_integrate_outputfilename;

// Table 8: version control.
extern unsigned char cfg_dontusevc;
extern unsigned char cfg_Versctrl_MVCAutoCheckout;
extern unsigned char cfg_Versctrl_RCSAutoCheckout;
extern unsigned char cfg_Versctrl_ClearCaseAutoCheckout;
extern unsigned char cfg_Versctrl_SourceSafeAutoCheckout;
extern unsigned char cfg_Versctrl_PVCSAutoCheckout;
extern unsigned char cfg_Versctrl_CustomAutoCheckout;
extern int cfg_versioncontroltype;
extern char* cfg_Versctrl_CVSPath;
extern char* cfg_Versctrl_RCSPath;
extern char* cfg_Versctrl_ClearCasePath;
extern char* cfg_Versctrl_SourceSafePath;
extern char* cfg_Versctrl_SourceSafeUsername;
extern char* cfg_Versctrl_SourceSafeDatabase;
extern char* cfg_Versctrl_SourceSafeRoot;
extern char* cfg_Versctrl_PVCSDatabase;
extern char* cfg_Versctrl_PVCSRoot;
extern char* cfg_Versctrl_CustomPath;
extern char* cfg_vc_undervc;
extern char* cfg_vc_co;
extern char* cfg_vc_get;
extern char* cfg_vc_unco;
extern char* cfg_vc_ci;
extern char* cfg_vc_create;
extern char* cfg_vc_show;
extern char* cfg_vc_who;
extern char* cfg_vc_prevver;
extern char* cfg_vc_command;
extern char* cfg_vc_diff;
extern char* cfg_vc_when;
extern char* cfg_vc_cinocomments;

// Table 9: the external editor.
extern unsigned char cfg_usextermforalternateeditor;
extern unsigned char cfg_ExtEditor_EmacsUseXTerm;
extern unsigned char cfg_ExtEditor_ViUseXTerm;
extern unsigned char cfg_ExtEditor_OtherUseXTerm;
extern char* cfg_editor;
extern char* cfg_editorLaunch;
extern char* cfg_ExtEditor_Choice;
extern char* cfg_ExtEditor_EmacsPath;
extern char* cfg_ExtEditor_EmacsArgumentFormat;
extern char* cfg_ExtEditor_ViPath;
extern char* cfg_ExtEditor_ViArgumentFormat;
extern char* cfg_ExtEditor_OtherPath;
extern char* cfg_ExtEditor_OtherArgumentFormat;

// Table 10: the distribution.
extern char* cfg_bulwark_dist;

// The values of the choice options.
enum { kAIparenindentmodeNone = 0, kAIparenindentmodeAlign = 1, kAIparenindentmodeIndent = 2 };
enum {
    kAIadaparenindentmodeNone = 0,
    kAIadaparenindentmodeAlign = 1,
    kAIadaparenindentmodeIndent = 2
};
enum { kLongjmpStepModeStop = 0, kLongjmpStepModeContinue = 1, kLongjmpStepModeAsk = 2 };
enum { kBackgroundmodeNone = 0, kBackgroundmodeTasks = 1, kBackgroundmodeAll = 2 };
enum {
    kViewsarechildrenmodeNever = 0,
    kViewsarechildrenmodeAlways = 1,
    kViewsarechildrenmodeTransient = 2
};
enum { kRememberbreakpointsNever = 0, kRememberbreakpointsAsk = 1, kRememberbreakpointsAlways = 2 };
enum { kLinenumbermodeRelative = 0, kLinenumbermodeAbsolute = 1, kLinenumbermodeBoth = 2 };
enum { kDisasmStyleNative = 0, kDisasmStyleGeneric = 1, kDisasmStyleMixed = 2 };
enum {
    kDebugbuttonslocTop = 0,
    kDebugbuttonslocBottom = 1,
    kDebugbuttonslocLeft = 2,
    kDebugbuttonslocRight = 3,
    kDebugbuttonslocNone = 4
};
enum { kTaskMatchCriteriaName = 0, kTaskMatchCriteriaId = 1, kTaskMatchCriteriaBoth = 2 };
enum { kScrolllocationLeft = 0, kScrolllocationRight = 1 };
enum { kScrollhlocationTop = 0, kScrollhlocationBottom = 1 };
enum {
    kShowprogressNever = 0,
    kShowprogressBar = 1,
    kShowprogressPercent = 2,
    kShowprogressBoth = 3
};
enum { kWarppointerNever = 0, kWarppointerDialogs = 1, kWarppointerAlways = 2 };
enum {
    kPromptQuitDebuggerNever = 0,
    kPromptQuitDebuggerRunning = 1,
    kPromptQuitDebuggerAlways = 2
};
enum { kRememberdirsNever = 0, kRememberdirsSession = 1, kRememberdirsAlways = 2 };
enum { kOnlineHelpMethodBrowser = 0, kOnlineHelpMethodViewer = 1, kOnlineHelpMethodNone = 2 };
enum {
    kExprcasesensitivitySensitive = 0,
    kExprcasesensitivityInsensitive = 1,
    kExprcasesensitivityLanguage = 2
};
enum { kConfigsavemodeNever = 0, kConfigsavemodeAsk = 1, kConfigsavemodeAlways = 2 };
enum { kHovervaluesOff = 0, kHovervaluesTooltip = 1, kHovervaluesStatusline = 2 };
enum {
    kVersioncontroltypeNone = 0,
    kVersioncontroltypeMvc = 1,
    kVersioncontroltypeRcs = 2,
    kVersioncontroltypeCvs = 3,
    kVersioncontroltypeClearcase = 4,
    kVersioncontroltypeSourcesafe = 5,
    kVersioncontroltypePvcs = 6,
    kVersioncontroltypeCustom = 7
};
