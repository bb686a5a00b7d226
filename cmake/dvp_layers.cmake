# The product's layers as CMake targets. Every folder of the product is one
# target, and a target sees the headers of exactly the folders it links: its
# include path holds a folder of its own under the build tree with a single
# link, to its own source folder, and linking a layer adds that layer's
# folder. So a lower layer that includes a higher one fails to compile.
#
#   dvp_add_layer(<folder> [INTERFACE] [SOURCES <file>...] [LINK <target>...] [SYSTEM_LIBS <lib>...])
# creates the target dvp_<folder>.
function(dvp_add_layer folder)
    cmake_parse_arguments(L "INTERFACE" "" "SOURCES;LINK;SYSTEM_LIBS" ${ARGN})
    set(target dvp_${folder})
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${root})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    if(L_INTERFACE)
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${root})
        target_link_libraries(${target} INTERFACE ${L_LINK} ${L_SYSTEM_LIBS})
    else()
        list(TRANSFORM L_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/${folder}/)
        add_library(${target} STATIC ${L_SOURCES})
        target_include_directories(${target} PUBLIC ${root})
        target_link_libraries(${target} PUBLIC ${L_LINK} ${L_SYSTEM_LIBS} PRIVATE dvp_product_flags)
    endif()
endfunction()
