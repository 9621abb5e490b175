# The layers of src/ and what each may use. A layer is a folder src/NAME; it may include its own
# headers and those of the layers it USES, and nothing else of src/. The build links each layer's
# library only against the libraries of the layers it uses, and the test `layering` checks every
# #include of src/ and tests/ against the same rules, so that an upward include fails the suite.

# quillbox_layer_rule(NAME [USES layer...] [ONLY layer/header.h...] [QT])
#   Records what src/NAME may include. ONLY narrows a used layer to the headers listed for it (the
#   layer is still linked whole). QT allows the <Q...> headers, which no other layer may include.
function(quillbox_layer_rule name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "USES;ONLY")
    set_property(GLOBAL APPEND PROPERTY QUILLBOX_LAYERS ${name})
    set_property(GLOBAL PROPERTY QUILLBOX_LAYER_${name}_USES "${arg_USES}")
    set_property(GLOBAL PROPERTY QUILLBOX_LAYER_${name}_ONLY "${arg_ONLY}")
    set_property(GLOBAL PROPERTY QUILLBOX_LAYER_${name}_QT "${arg_QT}")
endfunction()

# quillbox_layer(NAME [USES layer...] [ONLY layer/header.h...])
#   The rule above, and the static library quillbox_NAME of every src/NAME/*.cpp, linked against
#   the libraries of the layers it uses. Adding a source file needs no list edit.
function(quillbox_layer name)
    quillbox_layer_rule(${ARGV})
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "USES;ONLY")
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
    set(library quillbox_${name})
    if(sources)
        add_library(${library} STATIC ${sources})
        target_include_directories(${library} PUBLIC ${CMAKE_SOURCE_DIR}/src)
        quillbox_warnings(${library})
        set(scope PUBLIC)
    else()
        # A layer of headers only, so far.
        add_library(${library} INTERFACE)
        target_include_directories(${library} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        set(scope INTERFACE)
    endif()
    foreach(used ${arg_USES})
        target_link_libraries(${library} ${scope} quillbox_${used})
    endforeach()
endfunction()

# quillbox_test_layer(DIR LAYER)
#   The tests in tests/DIR are linked against (and may include) LAYER and what it uses. A folder
#   of tests not named here is taken to test the layer of its own name.
function(quillbox_test_layer dir layer)
    set_property(GLOBAL PROPERTY QUILLBOX_TEST_LAYER_${dir} ${layer})
endfunction()

function(quillbox_layer_of_tests dir out)
    get_property(layer GLOBAL PROPERTY QUILLBOX_TEST_LAYER_${dir})
    if(NOT layer)
        set(layer ${dir})
    endif()
    set(${out} ${layer} PARENT_SCOPE)
endfunction()

# Writes the rules to FILE, for the layering check.
function(quillbox_write_layer_rules file)
    get_property(layers GLOBAL PROPERTY QUILLBOX_LAYERS)
    set(text "set(LAYERS \"${layers}\")\n")
    foreach(layer ${layers})
        foreach(what USES ONLY QT)
            get_property(value GLOBAL PROPERTY QUILLBOX_LAYER_${layer}_${what})
            string(APPEND text "set(${layer}_${what} \"${value}\")\n")
        endforeach()
    endforeach()
    file(GLOB test_dirs LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
    foreach(dir ${test_dirs})
        if(IS_DIRECTORY ${dir})
            get_filename_component(name ${dir} NAME)
            quillbox_layer_of_tests(${name} layer)
            string(APPEND text "set(TESTS_${name} \"${layer}\")\n")
        endif()
    endforeach()
    file(WRITE ${file} "${text}")
endfunction()
