import QtQuick
import Kavro 1.0

// The catalogue's shooters filtered by organization and group (exact, any
// case; empty for all) and by a part of the name (any case). The filters
// name their roles by number: a role name would be looked up before the
// inner filters have their source.
SortFilterProxy {
    id: nameFilter

    property string organization
    property string group
    property string name

    // A regular expression that matches the text itself, in any case; an
    // empty text matches everything.
    function matching(text, whole) {
        var escaped = text.replace(/[.*+?^${}()|[\]\\]/g, "\\$&")
        return new RegExp(whole && text.length > 0 ? "^" + escaped + "$" : escaped, "i")
    }

    property SortFilterProxy organizationFilter: SortFilterProxy {
        sourceModel: application.catalog.shooters
        filterRole: ShooterModel.OrganizationRole
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: nameFilter.matching(nameFilter.organization, true)
    }
    property SortFilterProxy groupFilter: SortFilterProxy {
        sourceModel: nameFilter.organizationFilter
        filterRole: ShooterModel.GroupRole
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: nameFilter.matching(nameFilter.group, true)
    }

    sourceModel: groupFilter
    filterRole: ShooterModel.NameRole
    filterCaseSensitivity: Qt.CaseInsensitive
    filterRegularExpression: matching(name.trim(), false)
}
