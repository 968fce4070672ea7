# The help page made from Markdown: each case's text must come out as the HTML beside it, and the
# real user guide must leave no Markdown mark unconverted (a construct the converter does not know
# would show as raw text in the window's help).
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -P help_page_test.cmake
cmake_minimum_required(VERSION 3.25)
set(converter ${SOURCE_DIR}/cmake/markdown_to_html.cmake)
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/page.html.in "@HELP_TITLE@\n@HELP_BODY@")
set(failures 0)

function(convert input out)
  file(WRITE ${WORK_DIR}/case.md "${input}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DINPUT=${WORK_DIR}/case.md -DTEMPLATE=${WORK_DIR}/page.html.in
                          -DOUTPUT=${WORK_DIR}/case.html -P ${converter}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "converter failed: ${err}")
  endif()
  file(READ ${WORK_DIR}/case.html html)
  set(${out} "${html}" PARENT_SCOPE)
endfunction()

# Each case: Markdown, then the page it gives (the title line, then the body).
function(check input expected)
  convert("${input}" html)
  string(STRIP "${html}" html)
  string(STRIP "${expected}" expected)
  if(NOT html STREQUAL expected)
    message(SEND_ERROR "Markdown:\n${input}\ngave:\n${html}\nexpected:\n${expected}")
  endif()
endfunction()

check("# Help\n\nOne line\nand C:\\\\next.\n"
      "Help\n<p>One line and C:\\\\next.</p>\n")
check("# T\n## Keys & *marks*\nPress **Save**, type `a<b>`; then [Qt](https://qt.io) or [the tool](cli.md#ls).\n"
      "T\n<h2>Keys &amp; <em>marks</em></h2>\n<p>Press <b>Save</b>, type <code>a&lt;b&gt;</code>; then <a href=\"https://qt.io\">Qt</a> or the tool.</p>\n")
check("# T\n- first\n  goes on [1]\n- second\n\n1. one\n2. two\ntext\n"
      "T\n<ul>\n <li>first goes on [1]</li>\n <li>second</li>\n</ul>\n<ol>\n <li>one</li>\n <li>two text</li>\n</ol>\n")
check("# T\n| Key | Does |\n|---|---|\n| F1 | help |\n| Ctrl+L | lock; unlock |\nAfter.\n"
      "T\n<table>\n <tr><th>Key</th><th>Does</th></tr>\n <tr><td>F1</td><td>help</td></tr>\n <tr><td>Ctrl+L</td><td>lock; unlock</td></tr>\n</table>\n<p>After.</p>\n")
check("# T\n> Change **both**\n> at once.\n\n```\na <b> **c**\n```\n"
      "T\n<p class=\"note\">Change <b>both</b> at once.</p>\n<pre>a &lt;b&gt; **c**\n</pre>\n")

# The user guide itself: every heading becomes one, and no mark is left as text.
file(READ ${SOURCE_DIR}/docs/user-guide.md guide)
convert("${guide}" html)
string(REGEX MATCHALL "\n##+ " headings "\n${guide}")
string(REGEX MATCHALL "<h[2-6]>" made "${html}")
list(LENGTH headings want)
list(LENGTH made got)
if(want EQUAL 0 OR NOT want EQUAL got)
  message(SEND_ERROR "user guide: ${want} headings, ${got} in the page")
endif()
foreach(mark "**" "```" "](" "|---" "\n- " "\n# ")
  string(FIND "${html}" "${mark}" at)
  if(NOT at EQUAL -1)
    string(SUBSTRING "${html}" ${at} 80 near)
    message(SEND_ERROR "user guide: \"${mark}\" left unconverted near: ${near}")
  endif()
endforeach()
