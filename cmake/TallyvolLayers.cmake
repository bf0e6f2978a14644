# The program's layers, from the bottom: platform, app/base, scan, app/view, alerts, reports,
# dbconfig, app. Each is a shared library linking only the layers below it, so the code and the
# process-wide state of a layer exist once in the process whoever loads it (the program, the
# window library, a test).
#
# The direction is enforced by include paths: no layer sees the source tree. Each sees a
# directory of its own under <build>/layers/ holding links to its own headers (keeping their
# paths, "scan/CScanInfo.h"), and the directories of the layers it links. A layer that includes
# a header of a layer above it does not compile. tests/layering checks this for every pair.

# tallyvol_stage_headers(<target> [FOLDERS <folder>...] [TREES <folder>...])
# Gives <target> its own include directory: links to the headers directly in each FOLDERS folder
# and anywhere below each TREES folder (relative to the source root). INTERFACE targets (header
# sets) get it as their interface.
function(tallyvol_stage_headers target)
    cmake_parse_arguments(L "" "" "FOLDERS;TREES" ${ARGN})
    set(stage ${CMAKE_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${stage})
    set(headers)
    foreach(folder IN LISTS L_FOLDERS)
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND headers ${found})
    endforeach()
    foreach(folder IN LISTS L_TREES)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND headers ${found})
    endforeach()
    foreach(header IN LISTS headers)
        file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${header})
        get_filename_component(directory ${stage}/${relative} DIRECTORY)
        file(MAKE_DIRECTORY ${directory})
        file(CREATE_LINK ${header} ${stage}/${relative} SYMBOLIC)
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${stage}>)
    else()
        target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${stage}>)
    endif()
    set_property(GLOBAL PROPERTY TALLYVOL_LAYER_STAGE_${target} ${stage})
endfunction()

# tallyvol_layer(<target> [FOLDERS <folder>...] [TREES <folder>...] [LINK <target>...])
# Makes <target> (already created with add_library) a layer: its headers as staged above, the
# layers below it linked, the name libtallyvol-<layer>.so, installed in the private directory.
function(tallyvol_layer target)
    cmake_parse_arguments(L "" "" "FOLDERS;TREES;LINK" ${ARGN})
    tallyvol_stage_headers(${target} FOLDERS ${L_FOLDERS} TREES ${L_TREES})
    if(L_LINK)
        target_link_libraries(${target} PUBLIC ${L_LINK})
    endif()
    target_link_libraries(${target} PRIVATE tallyvol_warnings)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        target_link_options(${target} PRIVATE LINKER:--no-undefined)
        string(REPLACE "_" "-" output ${target})
        set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output})
        install(TARGETS ${target} LIBRARY DESTINATION ${TALLYVOL_LIBRARY_INSTALL_DIR} COMPONENT program)
    endif()
    set_property(GLOBAL APPEND PROPERTY TALLYVOL_LAYERS ${target})
endfunction()
