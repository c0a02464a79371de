# Precompiled Qt headers for the libraries: about half of the compile time of a
# source file went into Qt's own headers, parsed again for each file. Each library
# precompiles the Qt headers of the modules it links itself (the layers stay as they
# are: a core library gets no widget header). Test programs have one source file
# each, where a header of their own would cost as much as it saves.
option(MEKIRA_PRECOMPILED_HEADERS "Precompile the Qt headers of each library" ON)

set(mekira_pch_core
  <QtCore/QByteArray> <QtCore/QDateTime> <QtCore/QDir> <QtCore/QFile> <QtCore/QHash>
  <QtCore/QList> <QtCore/QObject> <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant>
  <algorithm> <functional> <memory> <optional> <vector>)
set(mekira_pch_gui <QtGui/QColor> <QtGui/QFont> <QtGui/QFontMetricsF> <QtGui/QPainter>)
set(mekira_pch_widgets <QtWidgets/QCheckBox> <QtWidgets/QComboBox> <QtWidgets/QDialog>
  <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QPushButton> <QtWidgets/QWidget>)
set(mekira_pch_sql <QtSql/QSqlDatabase> <QtSql/QSqlError> <QtSql/QSqlQuery>)

function(mekira_precompile_qt_headers)
  if(NOT MEKIRA_PRECOMPILED_HEADERS)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    get_target_property(links ${target} LINK_LIBRARIES)
    set(headers ${mekira_pch_core})
    if(Qt6::Gui IN_LIST links OR Qt6::Widgets IN_LIST links)
      list(APPEND headers ${mekira_pch_gui})
    endif()
    if(Qt6::Widgets IN_LIST links)
      list(APPEND headers ${mekira_pch_widgets})
    endif()
    if(Qt6::Sql IN_LIST links)
      list(APPEND headers ${mekira_pch_sql})
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
  endforeach()
endfunction()
