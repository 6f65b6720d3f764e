#pragma once

// Optional constructor arguments of any of several kinds, in any order.

#include <Alembic/Abc/ErrorHandler.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class Arguments
			{
			public:
				Arguments(ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
				    : m_errorHandlerPolicy(iPolicy) {}

				void operator()(const uint32_t& iTimeSamplingIndex) { m_timeSamplingIndex = iTimeSamplingIndex; }
				void operator()(const ErrorHandler::Policy& iPolicy) { m_errorHandlerPolicy = iPolicy; }
				void operator()(const AbcA::MetaData& iMetaData) { m_metaData = iMetaData; }
				void operator()(const AbcA::TimeSamplingPtr& iTimeSampling) { m_timeSampling = iTimeSampling; }
				void operator()(const SchemaInterpMatching& iMatching) { m_matching = iMatching; }
				void operator()(const SparseFlag& iSparse) { m_sparse = iSparse; }

				ErrorHandler::Policy getErrorHandlerPolicy() const { return m_errorHandlerPolicy; }
				const AbcA::MetaData& getMetaData() const { return m_metaData; }
				const AbcA::TimeSamplingPtr& getTimeSampling() const { return m_timeSampling; }
				uint32_t getTimeSamplingIndex() const { return m_timeSamplingIndex; }
				SchemaInterpMatching getSchemaInterpMatching() const { return m_matching; }
				bool isSparse() const { return m_sparse == kSparse; }

			private:
				ErrorHandler::Policy m_errorHandlerPolicy;
				AbcA::MetaData m_metaData;
				AbcA::TimeSamplingPtr m_timeSampling;
				uint32_t m_timeSamplingIndex = 0;
				SchemaInterpMatching m_matching = kNoMatching;
				SparseFlag m_sparse = kFull;
			};

			// Holds pointers to metadata and time samplings, so temporaries live as long as the full expression.
			class Argument
			{
			public:
				Argument()
				    : m_kind(kNone) {}
				Argument(ErrorHandler::Policy iPolicy)
				    : m_kind(kPolicy) { m_value.policy = iPolicy; }
				Argument(Alembic::Util::uint32_t iTsIndex)
				    : m_kind(kTimeSamplingIndex) { m_value.timeSamplingIndex = iTsIndex; }
				Argument(const AbcA::MetaData& iMetaData)
				    : m_kind(kMetaData) { m_value.metaData = &iMetaData; }
				Argument(const AbcA::TimeSamplingPtr& iTsPtr)
				    : m_kind(kTimeSampling) { m_value.timeSampling = &iTsPtr; }
				Argument(SchemaInterpMatching iMatch)
				    : m_kind(kMatching) { m_value.matching = iMatch; }
				Argument(SparseFlag iSparse)
				    : m_kind(kSparseFlag) { m_value.sparse = iSparse; }

				void setInto(Arguments& iArgs) const
				{
					switch (m_kind)
					{
						case kPolicy:
							iArgs(m_value.policy);
							break;
						case kTimeSamplingIndex:
							iArgs(m_value.timeSamplingIndex);
							break;
						case kMetaData:
							iArgs(*m_value.metaData);
							break;
						case kTimeSampling:
							iArgs(*m_value.timeSampling);
							break;
						case kMatching:
							iArgs(m_value.matching);
							break;
						case kSparseFlag:
							iArgs(m_value.sparse);
							break;
						default:
							break;
					}
				}

			private:
				enum Kind
				{
					kNone,
					kPolicy,
					kTimeSamplingIndex,
					kMetaData,
					kTimeSampling,
					kMatching,
					kSparseFlag
				};
				Kind m_kind;
				union
				{
					ErrorHandler::Policy policy;
					uint32_t timeSamplingIndex;
					const AbcA::MetaData* metaData;
					const AbcA::TimeSamplingPtr* timeSampling;
					SchemaInterpMatching matching;
					SparseFlag sparse;
				} m_value;
			};

			inline Arguments MakeArguments(ErrorHandler::Policy iDefault, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
			                               const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
			{
				Arguments Args(iDefault);
				iArg0.setInto(Args);
				iArg1.setInto(Args);
				iArg2.setInto(Args);
				iArg3.setInto(Args);
				return Args;
			}

			inline ErrorHandler::Policy GetErrorHandlerPolicyFromArgs(const Argument& iArg0, const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(),
			                                                          const Argument& iArg3 = Argument())
			{
				return MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3).getErrorHandlerPolicy();
			}

			inline AbcA::MetaData GetMetaData(const Argument& iArg0, const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(),
			                                  const Argument& iArg3 = Argument())
			{
				return MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3).getMetaData();
			}

			inline SchemaInterpMatching GetSchemaInterpMatching(const Argument& iArg0, const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(),
			                                                    const Argument& iArg3 = Argument())
			{
				return MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3).getSchemaInterpMatching();
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
