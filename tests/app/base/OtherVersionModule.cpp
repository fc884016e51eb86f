// A module of another Glimpo: a plugin that declares another version of the interface asked for.

#include <QObject>

class OtherVersionModule : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.glimpo.Glimpo.TestModule/2")
};

#include "OtherVersionModule.moc"
