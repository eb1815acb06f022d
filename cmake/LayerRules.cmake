# The direction of the layers: engine <- data <- export (the writers) <-
# shell/editor (Qt Widgets) <- the export commands and the PDF export <- app.
# The engine, the data-access layer and the writers never link Qt, and the
# shell never links the editor; configuring fails when a change breaks that.
function(ledgerfen_forbid_link target pattern)
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(libraries ${target} ${property})
    if(libraries)
      foreach(library IN LISTS libraries)
        if(library MATCHES "${pattern}")
          message(FATAL_ERROR "${target} must not link ${library}: see cmake/LayerRules.cmake")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()

ledgerfen_forbid_link(ledgerfen_engine "^Qt|ledgerfen_(data|shell|editor|app)")
ledgerfen_forbid_link(ledgerfen_data "^Qt|ledgerfen_(shell|editor|app)")
ledgerfen_forbid_link(ledgerfen_shell "ledgerfen_(editor|app|pdf)")
ledgerfen_forbid_link(ledgerfen_pdf "ledgerfen_(editor|app)")
ledgerfen_forbid_link(ledgerfen_editor "ledgerfen_app")
ledgerfen_forbid_link(ledgerfen_export "^Qt|ledgerfen_(shell|editor|app|pdf|export_)")
ledgerfen_forbid_link(ledgerfen_export_commands "ledgerfen_(editor|app)")
