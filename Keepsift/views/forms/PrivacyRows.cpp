#include "Keepsift/views/forms/PrivacyRows.hpp"

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/forms/FormRows.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"

namespace keepsift::app {

void PrivacyRows::sync(const AppModel& model, std::string_view language) const {
    const bool canUpdate = model.buildCanUpdate();
    updates->setEnabled(canUpdate);
    setSwitchText(updates, FormTexts::updates(language));
    setLabelText(updatesCaption, canUpdate ? FormTexts::updateExplanation(language)
                                           : FormTexts::updatesUnavailable(language));
    const bool sendsUsage = model.buildSendsUsage();
    telemetry->setEnabled(sendsUsage);
    setSwitchText(telemetry, FormTexts::telemetry(language));
    setLabelText(telemetryCaption, sendsUsage ? FormTexts::telemetryCaption(language)
                                              : FormTexts::telemetryUnavailable(language));
}

} // namespace keepsift::app
