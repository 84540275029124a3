# Writes OUTPUT, a C++ source defining tintara::serve::PageFiles() with the bytes of FILES
# (paths under cli/serve/page/, joined with "|"). Run by the build when a page file changes.
string(REPLACE "|" ";" FILES "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(path ${FILES})
  get_filename_component(name ${path} NAME)
  get_filename_component(ext ${path} EXT)
  if(ext STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(ext STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(ext STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  else()
    set(type "application/octet-stream")
  endif()
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}0};\n")
  string(APPEND entries "      {\"${name}\", \"${type}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new
  "// Generated from cli/serve/page/ by EmbedPage.cmake: do not edit.\n"
  "#include \"cli/serve/PageFiles.h\"\n\nnamespace tintara::serve {\nnamespace {\n${arrays}}  // namespace\n\n"
  "const std::vector<PageFile>& PageFiles() {\n  static const std::vector<PageFile> files = {\n${entries}  };\n"
  "  return files;\n}\n\n}  // namespace tintara::serve\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
