# Reads the dialog template of a resource script and writes its layout as a C++ header, so that
# the Qt view lays out the very template that Demo.exe shows:
#
#   quorvin_dialog_template(RC_FILE DIALOG_NAME OUTPUT_HEADER)
#
# The header defines Demo::DIALOG_TEMPLATE (caption, font, size) and Demo::TEMPLATE_CONTROLS
# (one row per control, in tab order) with the types of demo/qt/DialogTemplate.h. A statement or
# control class that the reader does not know stops the configure, so that a template change is
# noticed here rather than lost in the Qt view. A change of the resource script configures again.

function(quorvin_dialog_template rc_file dialog output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${rc_file}")
    file(STRINGS "${rc_file}" lines)

    # The statements of the template, continuation lines joined to the line they continue.
    set(statements)
    set(inside FALSE)
    set(pending "")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(NOT inside)
            if(line MATCHES "^${dialog}[ \t]+DIALOGEX[ \t]+(.*)$")
                set(inside TRUE)
                string(REGEX REPLACE "[ \t]" "" frame "${CMAKE_MATCH_1}")
            endif()
            continue()
        endif()
        if(line STREQUAL "END")
            break()
        endif()
        if(line STREQUAL "" OR line MATCHES "^//" OR line STREQUAL "BEGIN")
            continue()
        endif()
        string(APPEND pending " ${line}")
        if(line MATCHES "[,|]$")
            continue()
        endif()
        string(STRIP "${pending}" pending)
        list(APPEND statements "${pending}")
        set(pending "")
    endforeach()
    if(NOT inside)
        message(FATAL_ERROR "${rc_file} has no dialog ${dialog}")
    endif()
    string(REPLACE "," ";" frame "${frame}")
    list(GET frame 2 width)
    list(GET frame 3 height)

    set(rows "")
    foreach(statement IN LISTS statements)
        set(text "")
        if(statement MATCHES "^CAPTION[ \t]+\"([^\"]*)\"$")
            set(caption "${CMAKE_MATCH_1}")
            continue()
        elseif(statement MATCHES "^FONT[ \t]+([0-9]+),[ \t]*\"([^\"]*)\"")
            set(font_points "${CMAKE_MATCH_1}")
            set(font "${CMAKE_MATCH_2}")
            continue()
        elseif(statement MATCHES "^(STYLE|EXSTYLE)[ \t]")
            continue()
        elseif(statement MATCHES "^([A-Z]+)[ \t]+\"([^\"]*)\",(.*)$")
            set(keyword "${CMAKE_MATCH_1}")
            set(text "${CMAKE_MATCH_2}")
            set(rest "${CMAKE_MATCH_3}")
        elseif(statement MATCHES "^([A-Z]+)[ \t]+(.*)$")
            set(keyword "${CMAKE_MATCH_1}")
            set(rest "${CMAKE_MATCH_2}")
        else()
            message(FATAL_ERROR "${rc_file}: cannot read \"${statement}\"")
        endif()
        string(REGEX REPLACE "[ \t]" "" rest "${rest}")
        string(REPLACE "," ";" fields "${rest}")
        list(GET fields 0 id)

        if(keyword STREQUAL "CONTROL")
            # CONTROL "text", id, "class", style, x, y, width, height
            list(GET fields 1 class)
            list(GET fields 2 style)
            list(SUBLIST fields 3 4 box)
            if(class STREQUAL "\"Button\"" AND style MATCHES "BS_AUTOCHECKBOX")
                set(kind CheckBox)
            elseif(class STREQUAL "\"msctls_updown32\"")
                set(kind UpDown)
            else()
                message(FATAL_ERROR "${rc_file}: no Qt widget for the control \"${statement}\"")
            endif()
        else()
            # KEYWORD ["text",] id, x, y, width, height [, style]
            list(SUBLIST fields 1 4 box)
            set(kinds COMBOBOX ComboBox PUSHBUTTON PushButton DEFPUSHBUTTON DefaultPushButton
                      EDITTEXT Edit GROUPBOX GroupBox LTEXT Label)
            list(FIND kinds "${keyword}" at)
            if(at LESS 0)
                message(FATAL_ERROR "${rc_file}: no Qt widget for the statement \"${statement}\"")
            endif()
            math(EXPR at "${at} + 1")
            list(GET kinds ${at} kind)
        endif()

        # The cancel command is Exit; static controls have no identifier.
        if(id STREQUAL "IDCANCEL")
            set(id IdExit)
        elseif(id STREQUAL "IDC_STATIC")
            set(id 0)
        endif()
        list(JOIN box ", " box)
        string(APPEND rows "    {TemplateKind::${kind}, ${id}, \"${text}\", {${box}}},\n")
    endforeach()

    file(RELATIVE_PATH source "${QUORVIN_ROOT}" "${rc_file}")
    set(header "// Generated from ${source} by demo/qt/DialogTemplate.cmake; do not edit.
#pragma once

#include \"demo/qt/DialogTemplate.h\"

namespace Demo {

inline constexpr DialogTemplate DIALOG_TEMPLATE{\"${caption}\", \"${font}\", ${font_points}, ${width}, ${height}};

inline constexpr TemplateControl TEMPLATE_CONTROLS[] = {
${rows}};

}  // namespace Demo
")
    # Written only when it changes, so that a configure does not rebuild the view.
    file(CONFIGURE OUTPUT "${output}" CONTENT "${header}" @ONLY)
endfunction()
