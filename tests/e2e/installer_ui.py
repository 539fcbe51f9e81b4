"""What the end-to-end tests, the demo and the benchmark know of the installer's windows: its
captions and fixed texts, and the control ids of resources/resource.h."""

CAPTION = "フォントのインストール"
PROGRESS_CAPTION = "コピー中"
BROWSE_TITLE = "フォルダを選択してください"
DONE = "インストールが終了しました。"

IDOK = 1
IDCANCEL = 2
IDC_FONT_LIST = 1000
IDC_SELECT_ALL = 1001
IDC_STANDARD_FOLDER = 1002
IDC_CHOSEN_FOLDER = 1004
IDC_DESTINATION = 1005
IDC_BROWSE = 1006
IDC_DESELECT_ALL = 1007
IDC_FONTS_FOLDER = 1009
IDC_PROGRESS_BAR = 1010
IDC_PROGRESS_TEXT = 1014
IDC_SINGLE_FONT_NAME = 1015
IDC_RENAME = 1018
IDC_SAME_FOR_FOLLOWING = 1020
IDC_CONFLICT_MESSAGE = 1021

MSGBOX_TEXT_ID = 0xFFFF  # the static that holds a message box's text
BST_CHECKED = 1
