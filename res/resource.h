// The ids of the menu commands and of the prompt dialog's items, shared by
// the resources, the window program and its tests.
#pragma once

#define IDM_QUADRIFY 257  // "&quadrify an .OBJ file": the copy command
#define IDM_EXIT 258      // "&exit": a close request

#define IDC_PROMPT 6   // the prompt dialog's question (static text)
#define IDC_ANSWER 11  // its answer field (edit); the buttons are IDOK and IDCANCEL
